#include "win/messagebox.h"

#include "posix/endingwatch.h"
#include "win/headless.h"

#include <QMessageBox>
#include <cstdio>

namespace qv {

namespace {
MessageBoxSink sink;
}

void setMessageBoxSink(MessageBoxSink s) { sink = std::move(s); }

int defaultMessageBoxAnswer(UINT type)
{
    const bool second = (type & 0xF00) == MB_DEFBUTTON2;
    switch (type & 0xF) {
    case MB_OKCANCEL: return second ? IDCANCEL : IDOK;
    case MB_YESNO:
    case MB_YESNOCANCEL: return second ? IDNO : IDYES;
    default: return IDOK;
    }
}

namespace {

int showQtBox(const MessageBoxCall& call)
{
    QMessageBox box;
    box.setWindowTitle(QString::fromStdString(call.caption));
    box.setText(QString::fromStdString(call.text));
    switch (call.type & 0xF0) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    struct Choice { QMessageBox::StandardButton button; int id; };
    std::vector<Choice> choices;
    switch (call.type & 0xF) {
    case MB_OKCANCEL: choices = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}; break;
    case MB_YESNO: choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}; break;
    case MB_YESNOCANCEL:
        choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    default: choices = {{QMessageBox::Ok, IDOK}}; break;
    }
    const int preferred = defaultMessageBoxAnswer(call.type);
    for (const auto& c : choices) {
        box.addButton(c.button);
        if (c.id == preferred)
            box.setDefaultButton(c.button);
    }
    const EndingWatch::UserWait userWait;
    const auto clicked = box.exec();
    for (const auto& c : choices)
        if (c.button == clicked)
            return c.id;
    // Closed without a button: as the box's cancel or, without one, its only answer.
    return (call.type & 0xF) == MB_YESNO ? IDNO : (choices.size() > 1 ? IDCANCEL : IDOK);
}

} // namespace
} // namespace qv

int MessageBox(HWND, LPCTSTR text, LPCTSTR caption, UINT type)
{
    const qv::MessageBoxCall call{text ? text : "", caption ? caption : "", type};
    if (qv::sink)
        return qv::sink(call);
    if (qv::guiAvailable())
        return qv::showQtBox(call);
    std::fprintf(stderr, "[%s] %s\n", call.caption.c_str(), call.text.c_str());
    std::fflush(stderr);
    return qv::defaultMessageBoxAnswer(type);
}
