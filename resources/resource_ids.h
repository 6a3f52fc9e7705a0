// Identifiers of the program's resources, shared by the .rc files and the code.
#pragma once

// Framework texts in the French string table.
#define IDS_FILE_NOT_FOUND        65100
#define IDS_INVALID_FILE_NAME     65101
#define IDS_TOO_MANY_OPEN_FILES   65102
#define IDS_ACCESS_DENIED         65103
#define IDS_READ_BEYOND_END       65104
#define IDS_DISK_FULL             65105
#define IDS_INVALID_INPUT         65106
#define IDS_IO_ERROR              65107
#define IDS_INSERT_LINE_ERROR     65108
#define IDS_RESOURCE_NOT_FOUND    65109
#define IDS_WINDOW_CLASS_ERROR    65110
#define IDS_IMAGELIST_READ_ERROR  65111
#define IDS_CLIPBOARD_OPEN_ERROR  65112
#define IDS_APPLICATION_ERROR     65113
#define IDS_EXCEPTION_IN_MODULE   65114
#define IDS_OUT_OF_MEMORY         65115

// Message dialog titles and button captions.
#define IDS_MSG_ERROR             65232
#define IDS_MSG_INFORMATION       65233
#define IDS_MSG_CONFIRM           65234
#define IDS_BTN_YES               65235
#define IDS_BTN_NO                65236
#define IDS_BTN_OK                65237
#define IDS_BTN_CANCEL            65238
#define IDS_BTN_HELP              65239
#define IDS_BTN_ABORT             65240
#define IDS_BTN_RETRY             65241
#define IDS_BTN_IGNORE            65242
#define IDS_BTN_ALL               65243
#define IDS_BTN_NO_TO_ALL         65244
#define IDS_BTN_YES_TO_ALL        65245
#define IDS_BTN_CLOSE             65246
#define IDS_MSG_WARNING           65263
