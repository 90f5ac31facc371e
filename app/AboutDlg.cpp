#include "AboutDlg.h"

#include "AppIcons.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CAboutDlg"));
    setWindowTitle(QStringLiteral("About Tomlet"));
    auto* picture = new QLabel(this);
    // Drawn at the screen's own resolution, not enlarged from a small bitmap.
    picture->setPixmap(
        IconOf(QStringLiteral("about-picture")).pixmap(QSize(32, 32), devicePixelRatioF()));
    picture->setAccessibleName(QStringLiteral("Tomlet"));
    auto* name = new QLabel(QStringLiteral("Tomlet Version 1.0"), this);
    name->setTextFormat(Qt::PlainText);

    auto* top = new QGridLayout;
    top->addWidget(picture, 0, 0, 2, 1, Qt::AlignTop);
    top->addWidget(name, 0, 1);
    top->addWidget(new QLabel(QStringLiteral("(C) 2026 Tomlet"), this), 1, 1);
    top->setColumnStretch(1, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("IDOK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(new QLabel(QStringLiteral("항목별 책 읽기"), this));
    layout->addWidget(new QLabel(QStringLiteral("만든 이: Tomlet 개발팀"), this));
    layout->addSpacing(fontMetrics().height());
    layout->addWidget(new QLabel(QStringLiteral("자고 싶다...냠냠냠..."), this));
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
