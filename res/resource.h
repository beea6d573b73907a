// Resource ids shared by parcelo.rc and the program's C++ code. Plain #defines so that both the
// resource compiler and the C++ compiler read this file; the values are fixed because the program
// and its settings refer to them by number.
#ifndef PARCELO_RES_RESOURCE_H
#define PARCELO_RES_RESOURCE_H

// Dialogs
#define IDD_SIGNIN                102
#define IDD_PROXY                 205

// Icons
#define IDI_PARCELO_SMALL         203
#define IDI_PARCELO_LARGE         251

// Menu and accelerators
#define IDR_CONTEXT_MENU          204
#define IDR_ACCELERATORS          257

// Cursors
#define IDC_GRAB_HAND             249
#define IDC_OPEN_HAND             250

// Skin frames: 0..2 form the animation cycle, 3 is a spare angle of the same swirl.
#define IDB_SKIN_FRAME0           252
#define IDB_SKIN_FRAME1           253
#define IDB_SKIN_FRAME2           254
#define IDB_SKIN_FRAME3           255
// The cycle's frames at a larger display scale (in percent): PNG images, RCDATA.
#define IDR_SKIN_PNG(scale, frame) ((scale) * 10 + (frame))

// Commands (menu items, accelerators)
#define ID_CMD_SIGN_OUT           248
#define ID_CMD_CONTEXT_MENU       256
#define ID_CMD_GOTO_LOCKER        32768
#define ID_CMD_DISPLAY_TOGGLE     32769
#define ID_CMD_EXIT               32770
#define ID_CMD_PROXY_SETTINGS     32771
#define ID_CMD_PASTE              32772
#define ID_CMD_SIGN_IN            32775

// Sign-in dialog controls
#define IDC_EMAIL                 201
#define IDC_PASSWORD              202
#define IDC_AUTO_SIGNIN           225

// Proxy dialog controls
#define IDC_USE_PROXY             203
#define IDC_PROXY_IP              204
#define IDC_PROXY_LABEL           205

#endif
