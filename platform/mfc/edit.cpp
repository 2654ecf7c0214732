#include "mfc/edit.h"

#include <QLineEdit>

void CEdit::SetSel(int first, int last)
{
    auto* edit = qobject_cast<QLineEdit*>(widget());
    if (!edit)
        return;
    const QByteArray text = edit->text().toUtf8();
    const auto chars = [&](int bytes) {
        return QString::fromUtf8(text.left(bytes < 0 || bytes > text.size() ? text.size() : bytes)).size();
    };
    const int start = chars(first);
    edit->setSelection(start, chars(last) - start);
}

void CEdit::SetReadOnly(BOOL readOnly)
{
    if (auto* edit = qobject_cast<QLineEdit*>(widget()))
        edit->setReadOnly(readOnly != FALSE);
}
