#include "DialogBuilder.h"

#include "Edit.h"
#include "ListBox.h"
#include "TemplateLayout.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

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
    for (const SControlTemplate& control : dialog.controls) {
        QWidget* widget = CreateControl(control, host);
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
}
