// The Qt widgets that stand for a template's controls, and what they notify.
#include "mfc/wnd.h"
#include "wndinternal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>

namespace qv::mfc {

namespace {

// Fixed base units: what an 8-point dialog font gives on a 96-dpi screen.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

void notify(const QPointer<QWidget>& dialogWidget, QWidget* control, UINT code)
{
    if (!dialogWidget)
        return;
    const int id = controlId(control);
    CWnd::FromHandle(dialogWidget.data())
        ->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<UINT>(id), code), reinterpret_cast<LPARAM>(control));
}

// An edit for digits only: typed characters other than digits are refused; text set by the
// program or pasted is not checked.
class DigitsOnly : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            return false;
        const QString text = key->text();
        for (const QChar c : text)
            if (c.isPrint() && !c.isDigit())
                return true;
        return false;
    }
};

DigitsOnly* digitsOnly()
{
    static DigitsOnly* filter = new DigitsOnly; // lives as long as the process
    return filter;
}

// Arrow keys move through a radio group and check the button they reach.
class RadioArrows : public QObject
{
public:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        const int step = key == Qt::Key_Down || key == Qt::Key_Right ? 1 : key == Qt::Key_Up || key == Qt::Key_Left ? -1 : 0;
        if (step == 0)
            return false;
        auto* radio = static_cast<QAbstractButton*>(object);
        const std::vector<QAbstractButton*> group = radioGroup(radio);
        const auto at = std::find(group.begin(), group.end(), radio);
        if (group.size() < 2 || at == group.end())
            return true;
        const int count = static_cast<int>(group.size());
        const int index = static_cast<int>(at - group.begin());
        // Disabled buttons are passed over.
        for (int i = 1; i < count; ++i) {
            QAbstractButton* next = group[static_cast<size_t>((index + step * i + count * i) % count)];
            if (next->isEnabled() && next->isVisible()) {
                next->setFocus(Qt::TabFocusReason);
                next->click();
                break;
            }
        }
        return true;
    }
};

RadioArrows* radioArrows()
{
    static RadioArrows* filter = new RadioArrows; // lives as long as the process
    return filter;
}

QWidget* makeButton(const ControlBuild& where, const DialogItemTemplate& item)
{
    const QString text = QString::fromStdString(item.text);
    const QPointer<QWidget> dialog = where.dialogWidget;
    switch (item.style & BS_TYPEMASK) {
    case BS_GROUPBOX: return new QGroupBox(text, where.client);
    case BS_AUTOCHECKBOX: {
        auto* box = new QCheckBox(text, where.client);
        QObject::connect(box, &QCheckBox::clicked, box, [dialog, box] { notify(dialog, box, BN_CLICKED); });
        return box;
    }
    case BS_AUTORADIOBUTTON: {
        auto* radio = new QRadioButton(text, where.client);
        radio->setAutoExclusive(false);
        radio->installEventFilter(radioArrows());
        QObject::connect(radio, &QRadioButton::clicked, radio, [dialog, radio] {
            checkRadio(radioGroup(radio), radio);
            notify(dialog, radio, BN_CLICKED);
        });
        return radio;
    }
    default: {
        auto* button = new QPushButton(text, where.client);
        button->setAutoDefault(false);
        button->setDefault((item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
        QObject::connect(button, &QPushButton::clicked, button, [dialog, button] { notify(dialog, button, BN_CLICKED); });
        return button;
    }
    }
}

QWidget* makeEdit(const ControlBuild& where, const DialogItemTemplate& item)
{
    auto* edit = new QLineEdit(QString::fromStdString(item.text), where.client);
    edit->setReadOnly(item.style & ES_READONLY);
    if (item.style & ES_NUMBER)
        edit->installEventFilter(digitsOnly());
    const QPointer<QWidget> dialog = where.dialogWidget;
    QObject::connect(edit, &QLineEdit::textChanged, edit, [dialog, edit] { notify(dialog, edit, EN_CHANGE); });
    return edit;
}

QWidget* makeListBox(const ControlBuild& where, const DialogItemTemplate& item)
{
    auto* list = new QListWidget(where.client);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    // As on the platform, a line wider than the list is cut unless the style asks for a bar.
    if (!(item.style & WS_HSCROLL))
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setTextElideMode(Qt::ElideNone);
    if (item.style & LBS_NOTIFY) {
        const QPointer<QWidget> dialog = where.dialogWidget;
        QObject::connect(list, &QListWidget::itemDoubleClicked, list, [dialog, list] { notify(dialog, list, LBN_DBLCLK); });
    }
    return list;
}

QWidget* makeComboBox(const ControlBuild& where, const DialogItemTemplate& item)
{
    // Never editable: the selection cannot become "none" by typing.
    auto* combo = new QComboBox(where.client);
    for (const std::string& entry : item.items)
        combo->addItem(QString::fromStdString(entry));
    combo->setCurrentIndex(-1);
    const QPointer<QWidget> dialog = where.dialogWidget;
    // Only a user's choice notifies; a selection made by the program does not.
    QObject::connect(combo, &QComboBox::activated, combo, [dialog, combo] { notify(dialog, combo, CBN_SELCHANGE); });
    return combo;
}

// A tab bar over the whole control's rectangle: the tabs along its top, the pages placed
// below them as its children. Every change of the selection by the user, with the mouse or
// the keyboard, notifies TCN_SELCHANGE.
QWidget* makeTabControl(const ControlBuild& where)
{
    auto* tabs = new QTabBar(where.client);
    tabs->setExpanding(false);
    tabs->setDrawBase(true);
    const QPointer<QWidget> dialog = where.dialogWidget;
    QObject::connect(tabs, &QTabBar::currentChanged, tabs, [dialog, tabs] {
        if (!dialog || tabs->property("qvSilent").toBool())
            return;
        NMHDR header{tabs, static_cast<UINT>(controlId(tabs)), TCN_SELCHANGE};
        CWnd::FromHandle(dialog.data())->SendMessage(WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    });
    return tabs;
}

} // namespace

int duToPixelsX(int du) { return (du * kBaseUnitX + 2) / 4; }
int duToPixelsY(int du) { return (du * kBaseUnitY + 4) / 8; }

// An 8-point Arial at 96 dpi: Liberation Sans has Arial's metrics, so that texts fit their
// controls as the templates were drawn for; DejaVu Sans stands in where it is missing.
QFont dialogFont()
{
    QFont font;
    font.setFamilies({"Liberation Sans", "Arial", "DejaVu Sans"});
    font.setPixelSize(10);
    return font;
}

QWidget* createControl(const ControlBuild& where, const DialogItemTemplate& item)
{
    QWidget* widget = nullptr;
    switch (item.kind) {
    case ControlKind::Static: {
        auto* label = new QLabel(QString::fromStdString(item.text), where.client);
        label->setAlignment((item.style & SS_RIGHT ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
        // A text of one line keeps its whole text on it; a taller one wraps at blanks.
        label->setWordWrap(item.cy >= 16);
        widget = label;
        break;
    }
    case ControlKind::Edit: widget = makeEdit(where, item); break;
    case ControlKind::Button: widget = makeButton(where, item); break;
    case ControlKind::ListBox: widget = makeListBox(where, item); break;
    case ControlKind::ComboBox: widget = makeComboBox(where, item); break;
    case ControlKind::TabControl: widget = makeTabControl(where); break;
    }
    setControlId(widget, item.id);
    widget->setProperty("qvStyle", static_cast<unsigned>(item.style));
    // A combo box's height in a template includes its dropped-down list; closed, it is one line.
    const int height = item.kind == ControlKind::ComboBox ? widget->sizeHint().height() : duToPixelsY(item.cy);
    widget->setGeometry(duToPixelsX(item.x), duToPixelsY(item.y), duToPixelsX(item.cx), height);
    // A one-line text longer than its control runs on to the right rather than being cut.
    if (auto* label = qobject_cast<QLabel*>(widget); label && !label->wordWrap() && !(item.style & SS_RIGHT))
        label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
    widget->setEnabled(!(item.style & WS_DISABLED));
    widget->setVisible(!item.hidden);
    widget->installEventFilter(dialogKeys());
    return widget;
}

DWORD controlStyle(const QWidget* widget)
{
    const QVariant style = widget ? widget->property("qvStyle") : QVariant();
    return style.isValid() ? static_cast<DWORD>(style.toUInt()) : 0;
}

std::vector<QAbstractButton*> radioGroup(QWidget* radio)
{
    std::vector<QAbstractButton*> group;
    QWidget* client = radio ? radio->parentWidget() : nullptr;
    if (!client)
        return group;
    bool inGroup = false;
    for (QObject* child : client->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || !widget->property("qvStyle").isValid())
            continue;
        if (controlStyle(widget) & WS_GROUP) {
            if (inGroup && std::find(group.begin(), group.end(), radio) != group.end())
                break;
            group.clear();
            inGroup = true;
        }
        if (auto* button = qobject_cast<QRadioButton*>(widget))
            group.push_back(button);
    }
    if (std::find(group.begin(), group.end(), radio) == group.end())
        group.clear();
    return group;
}

void checkRadio(const std::vector<QAbstractButton*>& group, QAbstractButton* checked)
{
    for (QAbstractButton* button : group) {
        button->setChecked(button == checked);
        // Tab enters a group at its checked button (at its first when none is).
        const bool tabStop = checked ? button == checked : button == group.front();
        button->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

QString widgetText(const QWidget* widget)
{
    if (widget->isWindow())
        return widget->windowTitle();
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
        return edit->text();
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (const auto* box = qobject_cast<const QGroupBox*>(widget))
        return box->title();
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->currentText();
    return QString();
}

void setWidgetText(QWidget* widget, const QString& text)
{
    if (widget->isWindow())
        widget->setWindowTitle(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        if (edit->text() != text)
            edit->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(text);
    else if (auto* box = qobject_cast<QGroupBox*>(widget))
        box->setTitle(text);
}

} // namespace qv::mfc
