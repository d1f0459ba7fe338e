#include "app/gui/mainwindow.h"

#include "core/edgesnap.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(u"VTLForm"_s);
    setWindowTitle(u"Vantrel"_s);
    setWindowIcon(QIcon(u":/icons/vantrel.svg"_s));

    auto* layout = new QVBoxLayout(this);
    auto* recipientRow = new QHBoxLayout;
    m_comboBoxComp = new QComboBox(this);
    m_comboBoxComp->setObjectName(u"ComboBox_Comp"_s);
    m_comboBoxComp->setEditable(true);
    m_comboBoxComp->setInsertPolicy(QComboBox::NoInsert);
    m_comboBoxComp->setToolTip(u"Сетевое имя или IP-адрес получателя; несколько — через \";\""_s);
    recipientRow->addWidget(m_comboBoxComp, 1);
    m_speedButtonMLM = new QPushButton(u"Написать сообщение..."_s, this);
    m_speedButtonMLM->setObjectName(u"SpeedButton_MLM"_s);
    m_speedButtonMLM->setDefault(true);
    recipientRow->addWidget(m_speedButtonMLM);
    layout->addLayout(recipientRow);

    m_contactsPlaceholder = new QLabel(this);
    m_contactsPlaceholder->setAlignment(Qt::AlignCenter);
    m_contactsPlaceholder->setWordWrap(true);
    m_contactsPlaceholder->setFrameShape(QFrame::StyledPanel);
    m_contactsPlaceholder->setText(u"Список контактов пуст"_s);
    layout->addWidget(m_contactsPlaceholder, 1);

    m_settingsButton = new QPushButton(u"Параметры..."_s, this);
    m_settingsButton->setObjectName(u"Button_Config"_s);
    layout->addWidget(m_settingsButton);

    connect(m_speedButtonMLM, &QPushButton::clicked, this,
            [this] { Q_EMIT writeMessageRequested(m_comboBoxComp->currentText().trimmed()); });
    connect(m_settingsButton, &QPushButton::clicked, this, &MainWindow::settingsRequested);

    resize(260, 420);
    move(x(), 168);
}

void MainWindow::restoreAndRaise()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void MainWindow::moveToRightEdge()
{
    const QScreen* s = screen();
    if (!s)
        return;
    const QRect screenRect = s->geometry();
    const int width = frameGeometry().width() > 0 ? frameGeometry().width() : this->width();
    move(screenRect.x() + screenRect.width() - width, y());
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (m_hideOnClose)
        hide();
    else
        showMinimized();
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (m_snapping || !isVisible())
        return;
    const QScreen* s = screen();
    if (!s)
        return;
    const QRect frame = frameGeometry();
    const QRect snapped = SnapToWorkArea(frame, s->availableGeometry(), 20);
    if (snapped.topLeft() != frame.topLeft()) {
        m_snapping = true;
        move(snapped.topLeft());
        m_snapping = false;
    }
}

} // namespace vantrel
