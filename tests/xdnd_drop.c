/* Drops files on an X window as a Linux file manager does: the XDnD protocol
 * (version 5), offering the files as text/uri-list with file:// URIs.
 *
 * usage: xdnd_drop WINDOW ROOT_X ROOT_Y PATH...
 * Exit codes: 0 dropped and finished, 1 usage or display error, 2 the target
 * refused the drop, 3 the target did not answer in time. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

enum { kVersion = 5, kTimeoutMs = 10000 };

static Display* display;
static Window source, target;
static Atom XdndEnter, XdndPosition, XdndStatus, XdndDrop, XdndFinished, XdndLeave, XdndSelection,
    XdndActionCopy, UriList;
static char* uris;

static void send_to_target(Atom type, long l1, long l2, long l3, long l4) {
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.display = display;
    event.xclient.window = target;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)source;
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    event.xclient.data.l[4] = l4;
    XSendEvent(display, target, False, NoEventMask, &event);
    XFlush(display);
}

/* The target reads the dropped data from our selection: give it the URIs. */
static void answer_selection_request(const XSelectionRequestEvent* request) {
    XEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = request->requestor;
    reply.xselection.selection = request->selection;
    reply.xselection.target = request->target;
    reply.xselection.time = request->time;
    reply.xselection.property = None;
    if (request->target == UriList && request->property != None) {
        XChangeProperty(display, request->requestor, request->property, UriList, 8, PropModeReplace,
                        (const unsigned char*)uris, (int)strlen(uris));
        reply.xselection.property = request->property;
    }
    XSendEvent(display, request->requestor, False, NoEventMask, &reply);
    XFlush(display);
}

static long elapsed_ms(const struct timespec* start) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - start->tv_sec) * 1000 + (now.tv_nsec - start->tv_nsec) / 1000000;
}

/* Waits for a client message of `type` from the target, serving selection
 * requests meanwhile. Returns 0 when the time runs out. */
static int wait_for(Atom type, XClientMessageEvent* out) {
    struct timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == SelectionRequest) {
                answer_selection_request(&event.xselectionrequest);
            } else if (event.type == ClientMessage && event.xclient.message_type == type) {
                *out = event.xclient;
                return 1;
            }
        }
        const long left = kTimeoutMs - elapsed_ms(&start);
        if (left <= 0) return 0;
        struct pollfd connection = {ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, left < 50 ? (int)left : 50);
    }
}

/* file:// URIs, one per line, each ended by CR LF; bytes outside the
 * unreserved set and "/" are percent-encoded. */
static char* make_uri_list(int count, char** paths) {
    size_t size = 1;
    for (int i = 0; i < count; ++i) size += strlen("file://") + 3 * strlen(paths[i]) + 2;
    char* list = malloc(size);
    if (!list) return NULL;
    char* out = list;
    for (int i = 0; i < count; ++i) {
        out += sprintf(out, "file://");
        for (const unsigned char* p = (const unsigned char*)paths[i]; *p; ++p) {
            if ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z') || (*p >= '0' && *p <= '9') ||
                strchr("-._~/", *p))
                *out++ = (char)*p;
            else
                out += sprintf(out, "%%%02X", *p);
        }
        out += sprintf(out, "\r\n");
    }
    *out = '\0';
    return list;
}

int main(int argc, char** argv) {
    if (argc < 5) {
        fprintf(stderr, "usage: %s WINDOW ROOT_X ROOT_Y PATH...\n", argv[0]);
        return 1;
    }
    display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "xdnd_drop: cannot open the display\n");
        return 1;
    }
    target = (Window)strtoul(argv[1], NULL, 0);
    const long x = strtol(argv[2], NULL, 10), y = strtol(argv[3], NULL, 10);
    uris = make_uri_list(argc - 4, argv + 4);
    if (!uris) return 1;

    XdndEnter = XInternAtom(display, "XdndEnter", False);
    XdndPosition = XInternAtom(display, "XdndPosition", False);
    XdndStatus = XInternAtom(display, "XdndStatus", False);
    XdndDrop = XInternAtom(display, "XdndDrop", False);
    XdndFinished = XInternAtom(display, "XdndFinished", False);
    XdndLeave = XInternAtom(display, "XdndLeave", False);
    XdndSelection = XInternAtom(display, "XdndSelection", False);
    XdndActionCopy = XInternAtom(display, "XdndActionCopy", False);
    UriList = XInternAtom(display, "text/uri-list", False);

    source = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display, XdndSelection, source, CurrentTime);

    XClientMessageEvent reply;
    send_to_target(XdndEnter, (long)kVersion << 24, (long)UriList, None, None);
    send_to_target(XdndPosition, 0, (x << 16) | (y & 0xFFFF), CurrentTime, (long)XdndActionCopy);
    if (!wait_for(XdndStatus, &reply)) {
        fprintf(stderr, "xdnd_drop: no status from the target\n");
        return 3;
    }
    if (!(reply.data.l[1] & 1)) {
        send_to_target(XdndLeave, 0, 0, 0, 0);
        fprintf(stderr, "xdnd_drop: the target refuses the drop\n");
        return 2;
    }
    send_to_target(XdndDrop, 0, CurrentTime, 0, 0);
    if (!wait_for(XdndFinished, &reply)) {
        fprintf(stderr, "xdnd_drop: the target did not finish the drop\n");
        return 3;
    }
    free(uris);
    XCloseDisplay(display);
    return 0;
}
