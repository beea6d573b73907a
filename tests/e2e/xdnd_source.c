/* A native X11 program to drag files from, as a Linux file manager would: a small window
 * that, once the first button goes down on it, drags its URI list with the XDND protocol to
 * whatever window is under the pointer and drops where the button comes up. The pointer is
 * moved by someone else (xdotool).
 *
 *   xdnd_source LOGFILE X Y URI...
 *
 * Every step is appended to LOGFILE as one line, so that a test can follow the drag:
 *   ready, grabbed, enter <window>, asked <target>, status <accepted> <action>, drop,
 *   finished <success> <action>, and at the end one of done, refused, lost, timeout.
 * It ends by itself after the drag, or after a minute without one. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>

static const char *log_path;
static Display *dpy;
static Window root, source;
static Atom aware, enter, position, status, leave, drop, finished, selection, copy, uri_list, targets;
static char uris[8192];

static void note(const char *format, ...) {
    FILE *log = fopen(log_path, "a");
    if (!log) return;
    va_list args;
    va_start(args, format);
    vfprintf(log, format, args);
    va_end(args);
    fputc('\n', log);
    fclose(log);
}

static void send_message(Window to, Atom type, long l1, long l2, long l3, long l4) {
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.display = dpy;
    event.xclient.window = to;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)source;
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    event.xclient.data.l[4] = l4;
    XSendEvent(dpy, to, False, NoEventMask, &event);
    XFlush(dpy);
}

/* The XDND version a window speaks, or 0 when it takes no drops. */
static long version_of(Window window) {
    Atom type;
    int format;
    unsigned long count, left;
    unsigned char *data = NULL;
    long version = 0;
    if (XGetWindowProperty(dpy, window, aware, 0, 1, False, AnyPropertyType, &type, &format, &count, &left, &data) ==
            Success &&
        data && count == 1 && format == 32)
        version = *(long *)data;
    if (data) XFree(data);
    return version;
}

/* The innermost window under the pointer that takes drops, walking down from the root. */
static Window target_at(int x, int y, long *version) {
    Window parent = root, child = None;
    int local_x, local_y;
    *version = 0;
    while (XTranslateCoordinates(dpy, root, parent, x, y, &local_x, &local_y, &child) && child != None) {
        if (child == source) return None;
        long found = version_of(child);
        if (found > 0) {
            *version = found;
            return child;
        }
        parent = child;
    }
    return None;
}

static void answer(XSelectionRequestEvent *request) {
    XSelectionEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.type = SelectionNotify;
    reply.display = request->display;
    reply.requestor = request->requestor;
    reply.selection = request->selection;
    reply.target = request->target;
    reply.time = request->time;
    reply.property = None;
    Atom property = request->property != None ? request->property : request->target;
    char *name = XGetAtomName(dpy, request->target);
    note("asked %s", name ? name : "?");
    if (name) XFree(name);
    if (request->target == uri_list) {
        XChangeProperty(dpy, request->requestor, property, uri_list, 8, PropModeReplace, (unsigned char *)uris,
                        (int)strlen(uris));
        reply.property = property;
    } else if (request->target == targets) {
        Atom offered[2] = {targets, uri_list};
        XChangeProperty(dpy, request->requestor, property, XA_ATOM, 32, PropModeReplace, (unsigned char *)offered, 2);
        reply.property = property;
    }
    XSendEvent(dpy, request->requestor, False, NoEventMask, (XEvent *)&reply);
    XFlush(dpy);
}

int main(int argc, char **argv) {
    if (argc < 5) {
        fprintf(stderr, "usage: %s LOGFILE X Y URI...\n", argv[0]);
        return 2;
    }
    log_path = argv[1];
    for (int i = 4; i < argc; ++i) {
        strncat(uris, argv[i], sizeof uris - strlen(uris) - 3);
        strcat(uris, "\r\n");
    }
    dpy = XOpenDisplay(NULL);
    if (!dpy) {
        note("no display");
        return 1;
    }
    root = DefaultRootWindow(dpy);
    aware = XInternAtom(dpy, "XdndAware", False);
    enter = XInternAtom(dpy, "XdndEnter", False);
    position = XInternAtom(dpy, "XdndPosition", False);
    status = XInternAtom(dpy, "XdndStatus", False);
    leave = XInternAtom(dpy, "XdndLeave", False);
    drop = XInternAtom(dpy, "XdndDrop", False);
    finished = XInternAtom(dpy, "XdndFinished", False);
    selection = XInternAtom(dpy, "XdndSelection", False);
    copy = XInternAtom(dpy, "XdndActionCopy", False);
    uri_list = XInternAtom(dpy, "text/uri-list", False);
    targets = XInternAtom(dpy, "TARGETS", False);

    /* No window manager runs: the window places itself and stays where it is put. */
    XSetWindowAttributes attributes;
    attributes.override_redirect = True;
    attributes.background_pixel = 0x3070c0;
    attributes.event_mask = ExposureMask | StructureNotifyMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask;
    source = XCreateWindow(dpy, root, atoi(argv[2]), atoi(argv[3]), 64, 64, 0, CopyFromParent, InputOutput,
                           CopyFromParent, CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
    XStoreName(dpy, source, "xdnd-source");
    XMapRaised(dpy, source);
    XFlush(dpy);

    const time_t give_up = time(NULL) + 60;
    int dragging = 0, awaiting_status = 0, release_pending = 0, dropped = 0, accepted = 0;
    int pending_x = -1, pending_y = -1;
    Window current = None;
    Time last_time = CurrentTime;

    for (;;) {
        while (!XPending(dpy)) {
            if (time(NULL) > give_up) {
                if (current != None && !dropped) send_message(current, leave, 0, 0, 0, 0);
                note("timeout");
                return 1;
            }
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(ConnectionNumber(dpy), &readable);
            struct timeval tick = {0, 100000};
            select(ConnectionNumber(dpy) + 1, &readable, NULL, NULL, &tick);
        }
        XEvent event;
        XNextEvent(dpy, &event);
        switch (event.type) {
        case MapNotify: note("ready"); break;
        case ButtonPress:
            if (dragging || event.xbutton.button != Button1) break;
            dragging = 1;
            last_time = event.xbutton.time;
            XGrabPointer(dpy, source, False, ButtonReleaseMask | PointerMotionMask, GrabModeAsync, GrabModeAsync, None,
                         None, last_time);
            XSetSelectionOwner(dpy, selection, source, last_time);
            note("grabbed");
            break;
        case MotionNotify: {
            if (!dragging || dropped) break;
            last_time = event.xmotion.time;
            long version = 0;
            Window under = target_at(event.xmotion.x_root, event.xmotion.y_root, &version);
            if (under != current) {
                if (current != None) send_message(current, leave, 0, 0, 0, 0);
                current = under;
                awaiting_status = 0;
                accepted = 0;
                if (current != None) {
                    note("enter 0x%lx version %ld", (unsigned long)current, version);
                    send_message(current, enter, (version < 5 ? version : 5) << 24, (long)uri_list, None, None);
                }
            }
            if (current == None) break;
            /* One position at a time: the next goes out when the target has answered. */
            pending_x = event.xmotion.x_root;
            pending_y = event.xmotion.y_root;
            if (!awaiting_status) {
                send_message(current, position, 0, ((long)pending_x << 16) | pending_y, (long)last_time, (long)copy);
                awaiting_status = 1;
                pending_x = pending_y = -1;
            }
            break;
        }
        case ClientMessage:
            if (event.xclient.message_type == status && (Window)event.xclient.data.l[0] == current) {
                accepted = event.xclient.data.l[1] & 1;
                char *action = event.xclient.data.l[4] ? XGetAtomName(dpy, event.xclient.data.l[4]) : NULL;
                note("status %d %s", accepted, action ? action : "none");
                if (action) XFree(action);
                awaiting_status = 0;
                if (pending_x >= 0 && !release_pending) {
                    send_message(current, position, 0, ((long)pending_x << 16) | pending_y, (long)last_time,
                                 (long)copy);
                    awaiting_status = 1;
                    pending_x = pending_y = -1;
                }
            } else if (event.xclient.message_type == finished && dropped) {
                char *action = event.xclient.data.l[2] ? XGetAtomName(dpy, event.xclient.data.l[2]) : NULL;
                note("finished %ld %s", event.xclient.data.l[1] & 1, action ? action : "none");
                if (action) XFree(action);
                note("done");
                return 0;
            }
            break;
        case ButtonRelease:
            if (dragging && event.xbutton.button == Button1) release_pending = 1;
            last_time = event.xbutton.time;
            break;
        case SelectionRequest: answer(&event.xselectionrequest); break;
        default: break;
        }
        /* The button is up and the target has answered the last position: drop or give up. */
        if (release_pending && !awaiting_status && !dropped) {
            XUngrabPointer(dpy, last_time);
            if (current != None && accepted) {
                send_message(current, drop, 0, (long)last_time, 0, 0);
                dropped = 1;
                note("drop");
            } else {
                if (current != None) send_message(current, leave, 0, 0, 0, 0);
                note(current != None ? "refused" : "lost");
                return 1;
            }
        }
    }
}
