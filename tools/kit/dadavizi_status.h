/* dadavizi_status.h: what a printer maker's status source needs to report a
 * printer status to the DadaVizi monitor. C or C++, MinGW or MSVC; include
 * <windows.h> first or let this header do it.
 *
 * A status source reports a status in two steps:
 *   1. It writes the status data: every detail as a string value (at most
 *      DADAVIZI_DETAIL_MAX characters) of the status data key, then the code
 *      in decimal as the value DADAVIZI_CODE_VALUE, last, so that whoever
 *      sees the new code sees its details. The status data key is the
 *      sub-key DADAVIZI_STATUS_SUBKEY of the key that the value
 *      DADAVIZI_MONITOR_VALUE of DADAVIZI_SETTINGS_KEY names, all under
 *      HKEY_LOCAL_MACHINE.
 *   2. It sends DADAVIZI_WM_BIDISTATUS to the window whose class and title
 *      are both DADAVIZI_WINDOW_NAME, with SendMessageTimeout and
 *      SMTO_ABORTIFHUNG, so that a hung monitor cannot hang the source.
 *
 * The monitor is a 32-bit program and reads the 32-bit registry view: a
 * 64-bit writer (a 64-bit service, or a part of the 64-bit spooler) opens
 * every one of these keys with DADAVIZI_KEY_VIEW added to its access, or it
 * writes keys the monitor never reads. A 32-bit writer may add it too; 32-bit
 * Windows ignores it.
 *
 * The window lives on the user's desktop: a sender in another session (the
 * spooler and services run in session 0 from Windows Vista on) cannot find
 * it. Such a source only writes the status data, and the session relay
 * DadaViziRelay tells the monitor; see "Writing a status source".
 */
#ifndef DADAVIZI_STATUS_H
#define DADAVIZI_STATUS_H

#include <windows.h>

/* Class and title of the monitor's hidden window. */
#define DADAVIZI_WINDOW_NAME "DadaVizi"

/* The status message, 0x1667.
 *   wParam: non-zero to show the status's help topic, 0 not to;
 *   lParam: the status code, a signed 32-bit number.
 * Codes of DADAVIZI_REPEAT_THRESHOLD or more are ignored when they repeat
 * the current one; lower codes are taken every time they arrive. */
#define DADAVIZI_WM_BIDISTATUS (WM_USER + 4711)
#define DADAVIZI_REPEAT_THRESHOLD 10000L

/* The codes the monitor shows with an icon of their own; any other code
 * keeps the icon and sets only the tooltip "Status <code>". */
#define DADAVIZI_CODE_READY 10001L          /* ready: the printer icon */
#define DADAVIZI_CODE_READY_ALT 10049L      /* ready, a second code for it */
#define DADAVIZI_CODE_ATTENTION_SOON 40021L /* toner or paper low: green stroke */
#define DADAVIZI_CODE_ACT_NOW 40077L        /* stopped or not reachable: red cross */

/* Registry names, under HKEY_LOCAL_MACHINE. */
#define DADAVIZI_SETTINGS_KEY "SOFTWARE\\Halvik\\Zive Dozorod"
#define DADAVIZI_MONITOR_VALUE "Monitor"  /* string: path of the status data key's parent */
#define DADAVIZI_STATUS_SUBKEY "BidiData"
#define DADAVIZI_CODE_VALUE "Code"        /* string: the code in decimal */
#define DADAVIZI_DETAIL_MAX 255           /* characters of a detail the help file gets */

/* The 32-bit registry view, for a 64-bit writer; older headers lack it. */
#ifndef KEY_WOW64_32KEY
#define KEY_WOW64_32KEY 0x0200
#endif
#define DADAVIZI_KEY_VIEW KEY_WOW64_32KEY

#endif /* DADAVIZI_STATUS_H */
