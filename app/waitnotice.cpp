#include "waitnotice.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

WaitNotice::WaitNotice()
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      text_(new QLabel(this))
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);

    auto *icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this).pixmap(iconSize));
    icon->setAlignment(Qt::AlignTop);

    text_->setWordWrap(true);
    text_->setTextFormat(Qt::PlainText);
    text_->setMinimumWidth(fontMetrics().averageCharWidth() * 50);

    // Runs while the program waits, so the user sees that it has not hung.
    auto *busy = new QProgressBar(this);
    busy->setRange(0, 0);
    busy->setTextVisible(false);

    auto *texts = new QVBoxLayout;
    texts->addWidget(text_);
    texts->addWidget(busy);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(icon);
    layout->addLayout(texts, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void WaitNotice::showText(const QString &text, const QString &title)
{
    setWindowTitle(title);
    text_->setText(text);
    if (isVisible())
        return;
    adjustSize();
    // Over the window the user looks at, or in the middle of the screen at start-up.
    const QWidget *over = QApplication::activeWindow();
    const QRect area = over ? over->frameGeometry() : screen()->availableGeometry();
    move(area.center() - rect().center());
    show();
}
