#include "shell/aboutbox.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

AboutBox::AboutBox(const QString& version, const QString& homepage, OpenUrl openUrl, QWidget* parent)
    : QDialog(parent)
    , m_openUrl(std::move(openUrl))
{
    setObjectName(u"AboutBox"_s);
    setWindowTitle(u"О программе"_s);
    setModal(true);
    if (!m_openUrl)
        m_openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };

    auto* picture = new QLabel(this);
    picture->setPixmap(QIcon(u":/icons/vantrel.svg"_s).pixmap(64, 64));
    auto* product = new QLabel(u"Vantrel"_s, this);
    QFont large = product->font();
    large.setPointSizeF(large.pointSizeF() * 2);
    large.setBold(true);
    product->setFont(large);
    m_version = new QLabel(u"Версия "_s + version, this);

    auto* text = new QVBoxLayout;
    text->addWidget(product);
    text->addWidget(m_version);
    if (!homepage.isEmpty()) {
        m_web = new QLabel(this);
        m_web->setObjectName(u"Label_Web"_s);
        m_web->setText(u"<a href=\"%1\">%2</a>"_s.arg(homepage.toHtmlEscaped(), homepage.toHtmlEscaped()));
        m_web->setTextFormat(Qt::RichText);
        m_web->setCursor(Qt::PointingHandCursor);
        m_web->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        connect(m_web, &QLabel::linkActivated, this, [this](const QString& link) { m_openUrl(QUrl(link)); });
        text->addWidget(m_web);
    }
    text->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text, 1);
    m_ok = new QPushButton(u"OK"_s, this);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(m_ok);
    bottom->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void AboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the screen, not on the (often hidden) main window.
    if (const QScreen* target = screen() ? screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(target->availableGeometry().center());
        move(frame.topLeft());
    }
}

} // namespace vantrel
