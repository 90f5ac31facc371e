#include "DialogBuilder.h"

#include "Edit.h"
#include "ListBox.h"
#include "TemplateLayout.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

// a * b / c rounded half away from zero, in 64 bits so the product cannot overflow.
int MulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t magnitude = (std::llabs(product) + std::llabs(c) / 2) / std::llabs(c);
    return static_cast<int>((product < 0) != (c < 0) ? -magnitude : magnitude);
}

bool Has(std::uint32_t style, std::uint32_t flag) {
    return (style & flag) == flag;
}

Qt::Alignment StaticAlignment(std::uint32_t style) {
    Qt::Alignment alignment;
    switch (style & 0x1F) { // the SS_ type field
    case Style::kSsCenter:
        alignment = Qt::AlignHCenter;
        break;
    case Style::kSsRight:
        alignment = Qt::AlignRight;
        break;
    default:
        alignment = Qt::AlignLeft;
        break;
    }
    return alignment | (Has(style, Style::kSsCenterImage) ? Qt::AlignVCenter : Qt::AlignTop);
}

QWidget* CreateEdit(const SControlTemplate& control, QWidget* host) {
    const bool readOnly = Has(control.style, Style::kEsReadOnly);
    if (!Has(control.style, Style::kEsMultiline)) {
        auto* line = new QLineEdit(host);
        line->setFrame(Has(control.style, Style::kWsBorder));
        line->setReadOnly(readOnly);
        line->setText(control.text);
        return line;
    }
    auto* edit = new CEdit(host);
    edit->setVerticalScrollBarPolicy(
        Has(control.style, Style::kWsVScroll) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (!Has(control.style, Style::kWsBorder))
        edit->setFrameShape(QFrame::NoFrame);
    edit->setReadOnly(readOnly);
    edit->SetText(control.text);
    return edit;
}

QWidget* CreateListBox(const SControlTemplate& control, QWidget* host) {
    auto* list = new CListBox(host);
    list->setVerticalScrollBarPolicy(
        Has(control.style, Style::kWsVScroll) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (!Has(control.style, Style::kWsBorder))
        list->setFrameShape(QFrame::NoFrame);
    return list;
}

QWidget* CreateStatic(const SControlTemplate& control, QWidget* host) {
    auto* label = new QLabel(host);
    label->setTextFormat(Qt::PlainText); // file names and item texts are never markup
    label->setAlignment(StaticAlignment(control.style));
    label->setWordWrap(true);
    label->setText(control.text);
    return label;
}

QWidget* CreateIcon(const SControlTemplate& control, QWidget* host) {
    const QString path = QStringLiteral(":/icons/") + control.text;
    const QIcon icon = QFile::exists(path) ? QIcon(path) : QApplication::windowIcon();
    auto* label = new QLabel(host);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setPixmap(icon.pixmap(32, 32));
    return label;
}

QWidget* CreatePushButton(const SControlTemplate& control, QWidget* host) {
    auto* button = new QPushButton(control.text, host);
    if ((control.style & 0x0F) == Style::kBsDefPushButton) { // the BS_ type field
        button->setAutoDefault(true);
        button->setDefault(true);
    }
    return button;
}

QWidget* CreateRadioButton(const SControlTemplate& control, QWidget* host) {
    auto* radio = new QRadioButton(control.text, host);
    radio->setAutoExclusive(false); // each radio is its own group; the form sets both states
    return radio;
}

QWidget* CreateGroupBox(const SControlTemplate& control, QWidget* host) {
    auto* box = new QGroupBox(control.text, host);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

// A caption as a screen reader should say it: without '&' mnemonics and the colon that ends a
// label ("주기(ms) :" names its edit "주기(ms)").
QString SpokenCaption(QString text) {
    text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    text.replace(QStringLiteral("&&"), QStringLiteral("&"));
    while (text.endsWith(QLatin1Char(':')) || text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text.trimmed();
}

// Whether a caption says something by itself: "<" or ">" on a small button does not.
bool IsWordy(const QString& caption) {
    return std::any_of(caption.begin(), caption.end(),
                       [](QChar c) { return c.isLetterOrNumber(); });
}

// The text label in front of control on its row: the nearest static text that ends left of it
// and whose middle lies within the control's height. Forms place a field's label there.
const SControlTemplate* RowLabel(const SDialogTemplate& dialog, const SControlTemplate& control) {
    const SControlTemplate* label = nullptr;
    for (const SControlTemplate& other : dialog.controls) {
        if (other.cls != EControlClass::Static || other.text.isEmpty() || &other == &control)
            continue;
        const int middle = 2 * other.y + other.cy;
        if (other.x + other.cx > control.x || middle < 2 * control.y ||
            middle > 2 * (control.y + control.cy))
            continue;
        if (!label || other.x + other.cx > label->x + label->cx)
            label = &other;
    }
    return label;
}

// What a control is, for one that has neither a caption nor a label.
QString RoleName(EControlClass cls) {
    switch (cls) {
    case EControlClass::Edit:
        return QStringLiteral("편집");
    case EControlClass::ListBox:
        return QStringLiteral("목록");
    case EControlClass::Icon:
        return QStringLiteral("그림");
    default:
        return QString();
    }
}

// Gives a control that takes input or shows a picture an accessible name: its own caption,
// else its row's label, which also becomes its buddy (a glyph caption is added to the label:
// "주기(ms) <"), else its role. Static texts are named by their text already.
void NameForAccessibility(const SDialogTemplate& dialog, const SControlTemplate& control,
                          QWidget* widget, const QHash<const SControlTemplate*, QWidget*>& built) {
    if (control.cls == EControlClass::Static)
        return;
    const QString caption = SpokenCaption(control.text);
    if (control.cls != EControlClass::Icon && IsWordy(caption)) {
        widget->setAccessibleName(caption);
        return;
    }
    if (const SControlTemplate* label = RowLabel(dialog, control)) {
        const QString name = SpokenCaption(label->text);
        widget->setAccessibleName(caption.isEmpty() ? name : name + QLatin1Char(' ') + caption);
        if (auto* text = qobject_cast<QLabel*>(built.value(label)); text && caption.isEmpty())
            text->setBuddy(widget);
        return;
    }
    const bool picture = control.cls == EControlClass::Icon; // its text names a resource
    widget->setAccessibleName(picture || caption.isEmpty() ? RoleName(control.cls) : caption);
}

QRect ToPixels(QSize base, int x, int y, int cx, int cy) {
    return QRect(MulDiv(x, base.width(), 4), MulDiv(y, base.height(), 8),
                 MulDiv(cx, base.width(), 4), MulDiv(cy, base.height(), 8));
}

QWidget* CreateControl(const SControlTemplate& control, QWidget* host) {
    switch (control.cls) {
    case EControlClass::Edit:
        return CreateEdit(control, host);
    case EControlClass::ListBox:
        return CreateListBox(control, host);
    case EControlClass::Static:
        return CreateStatic(control, host);
    case EControlClass::Icon:
        return CreateIcon(control, host);
    case EControlClass::PushButton:
        return CreatePushButton(control, host);
    case EControlClass::RadioButton:
        return CreateRadioButton(control, host);
    case EControlClass::GroupBox:
        return CreateGroupBox(control, host);
    }
    return new QWidget(host);
}

} // namespace

QFont TemplateFont(const SDialogTemplate& dialog) {
    QFont font = QApplication::font();
    if (dialog.fontName.compare(QLatin1String("System"), Qt::CaseInsensitive) == 0 ||
        dialog.fontName.isEmpty()) {
        const QStringList families = QFontDatabase::families();
        for (const char* preferred : {"NanumGothic", "Noto Sans CJK KR"}) {
            if (families.contains(QLatin1String(preferred))) {
                font.setFamilies({QString::fromLatin1(preferred)});
                break;
            }
        }
    } else {
        font.setFamilies({dialog.fontName});
    }
    if (dialog.pointSize > 0)
        font.setPointSize(dialog.pointSize);
    return font;
}

QSize DialogBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize((letters / 26 + 1) / 2, metrics.height());
}

QSize DialogUnitsToPixels(const SDialogTemplate& dialog, int cx, int cy) {
    const QSize base = DialogBaseUnits(TemplateFont(dialog));
    return QSize(MulDiv(cx, base.width(), 4), MulDiv(cy, base.height(), 8));
}

QRect ControlRectPixels(const SDialogTemplate& dialog, const SControlTemplate& control) {
    const QSize base = DialogBaseUnits(TemplateFont(dialog));
    return ToPixels(base, control.x, control.y, control.cx, control.cy);
}

void BuildDialogControls(const SDialogTemplate& dialog, QWidget* host) {
    const QFont font = TemplateFont(dialog);
    const QSize base = DialogBaseUnits(font);
    host->setFont(font);
    auto* layout = new CTemplateLayout(host, ToPixels(base, 0, 0, dialog.cx, dialog.cy).size());
    QWidget* previousTabStop = nullptr;
    QHash<const SControlTemplate*, QWidget*> built;
    for (const SControlTemplate& control : dialog.controls) {
        QWidget* widget = CreateControl(control, host);
        built.insert(&control, widget);
        widget->setObjectName(control.name ? QString::fromLatin1(control.name) : QString());
        widget->setProperty("controlId", control.id);
        layout->AddControl(widget, ToPixels(base, control.x, control.y, control.cx, control.cy),
                           control.anchor);
        if (control.cls == EControlClass::GroupBox)
            widget->lower();
        if (widget->focusPolicy() == Qt::NoFocus)
            continue;
        if (!Has(control.style, Style::kWsTabStop)) {
            // Reachable by click only, as a control without a tab stop was on the handheld.
            widget->setFocusPolicy(Qt::ClickFocus);
            continue;
        }
        widget->setFocusPolicy(Qt::StrongFocus);
        if (previousTabStop)
            QWidget::setTabOrder(previousTabStop, widget);
        previousTabStop = widget;
    }
    // Labels may follow their fields in the template, so names come once every control exists.
    for (const SControlTemplate& control : dialog.controls)
        NameForAccessibility(dialog, control, built.value(&control), built);
}
