#include "mfc/button.h"

#include "wndinternal.h"

#include <QAbstractButton>
#include <QRadioButton>

int CButton::GetCheck() const
{
    const auto* button = qobject_cast<const QAbstractButton*>(widget());
    return button && button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

void CButton::SetCheck(int check)
{
    auto* button = qobject_cast<QAbstractButton*>(widget());
    if (!button)
        return;
    if (qobject_cast<QRadioButton*>(button) && check == BST_CHECKED)
        qv::mfc::checkRadio(qv::mfc::radioGroup(button), button);
    else
        button->setChecked(check == BST_CHECKED);
}
