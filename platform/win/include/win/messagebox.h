// Message boxes: a real Qt message box when there is a display, "[caption] text" on
// standard error with the default answer when there is none, or a sink installed by tests.
#pragma once

#include "win/wintypes.h"

#include <functional>
#include <string>

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONSTOP = MB_ICONERROR;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONINFORMATION = 0x00000040;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

int MessageBox(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type);

namespace qv {

struct MessageBoxCall
{
    std::string text;
    std::string caption;
    UINT type = 0;
};

// A sink sees every message box instead of the user and gives its answer.
using MessageBoxSink = std::function<int(const MessageBoxCall&)>;
void setMessageBoxSink(MessageBoxSink sink);

// The answer a box of this type gives when nobody is there to click: its default button.
int defaultMessageBoxAnswer(UINT type);

} // namespace qv
