#include "application_host.h"

TApplicationHost* ApplicationHost = nullptr;

TApplicationHost::TApplicationHost() : TComponent(nullptr) { ApplicationHost = this; }

TApplicationHost::~TApplicationHost() {
    if (ApplicationHost == this) ApplicationHost = nullptr;
}
