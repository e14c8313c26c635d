// Whole call sequences at the shell's and the help engine's entry points,
// written out one call a line with the platform's names, so that a test
// compares a whole sequence against its expected table and a mismatch
// prints everything that happened:
//
//   EXPECT_EQ(Lines({"NIM_MODIFY NIF_ICON IDI_PRINTER_STROKE -> TRUE",
//                    "NIM_MODIFY NIF_TIP 'Status 40021' -> TRUE"}),
//             TraySequence(calls, window));
#ifndef DADAVIZI_TEST_SEQUENCE_H
#define DADAVIZI_TEST_SEQUENCE_H

#include "fakes.h"

#include <initializer_list>
#include <string>
#include <vector>

// "<NIM_x> <NIF_x|...> [callback] [icon] ['tip'] -> TRUE|FALSE", with the
// icon named by its resource (compared by pixels). Anything off the
// program's usual record (another owner, id or size, a field filled
// without its flag, a dead icon handle) is written out too.
std::string DescribeTrayCall(const TrayCall &call, HWND owner);
std::string TraySequence(const std::vector<TrayCall> &calls, HWND owner);

// "<HELP_x> <data> <file>"; the popup position as "(x,y)".
std::string DescribeHelpCall(const HelpCall &call, HWND owner);
std::string HelpSequence(const std::vector<HelpCall> &calls, HWND owner);

// The expected lines, joined the same way.
std::string Lines(std::initializer_list<std::string> lines);

// The popup position the monitor asks for: the screen's bottom-right corner.
std::string ScreenCorner();

#endif
