#include "app/gui/mainwindow.h"

#include "contacts/ui/contacttreewidget.h"
#include "contacts/ui/netbrowsemenu.h"
#include "contacts/ui/recipientfield.h"
#include "core/edgesnap.h"
#include "shell/statusmenu.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
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
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    m_treeViewUsers = new ContactTreeWidget(this);
    layout->addWidget(m_treeViewUsers, 1);

    m_netBrowseMenu = new NetBrowseMenu(this);
    m_netLabel = new QToolButton(this);
    m_netLabel->setObjectName(u"RxLabel_Comp"_s);
    m_netLabel->setText(u"Сетевое имя"_s);
    m_netLabel->setAutoRaise(true);
    m_netLabel->setToolTip(
        u"Выбрать компьютер/сетевую группу...\r\n(Правая кнопка - операции над пользователем)"_s);
    layout->addWidget(m_netLabel, 0, Qt::AlignLeft);

    auto* recipientRow = new QHBoxLayout;
    m_comboBoxComp = new RecipientField(this);
    m_comboBoxComp->setMinimumContentsLength(12);
    recipientRow->addWidget(m_comboBoxComp, 1);
    m_speedButtonMLM = new QPushButton(u"Написать сообщение..."_s, this);
    m_speedButtonMLM->setObjectName(u"SpeedButton_MLM"_s);
    m_speedButtonMLM->setDefault(true);
    recipientRow->addWidget(m_speedButtonMLM);
    layout->addLayout(recipientRow);

    auto* bottomRow = new QHBoxLayout;
    m_statusMenu = new StatusMenu(this);
    m_statusButton = new QToolButton(this);
    m_statusButton->setObjectName(u"SpeedButton_Status"_s);
    m_statusButton->setToolTip(u"Сменить статус"_s);
    m_statusButton->setMenu(m_statusMenu);
    m_statusButton->setPopupMode(QToolButton::InstantPopup);
    m_statusButton->setIcon(StatusMenu::statusIcon(0));
    bottomRow->addWidget(m_statusButton);
    m_pingButton = new QToolButton(this);
    m_pingButton->setObjectName(u"SpeedButton_Ping"_s);
    m_pingButton->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    m_pingButton->setToolTip(idleCheckHint());
    bottomRow->addWidget(m_pingButton);
    m_settingsButton = new QPushButton(u"Параметры..."_s, this);
    m_settingsButton->setObjectName(u"Button_Config"_s);
    bottomRow->addWidget(m_settingsButton, 1);
    m_helpButton = new QPushButton(u"Справка..."_s, this);
    m_helpButton->setObjectName(u"SpeedButton_About"_s);
    bottomRow->addWidget(m_helpButton, 1);
    layout->addLayout(bottomRow);

    m_helpMenu = new QMenu(this);
    m_helpMenu->setObjectName(u"PopupMenu_Help"_s);
    QAction* help = m_helpMenu->addAction(u"Справка"_s);
    help->setObjectName(u"PM_Help"_s);
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WidgetShortcut);
    m_helpMenu->addSeparator();
    QAction* about = m_helpMenu->addAction(u"О программе..."_s);
    about->setObjectName(u"PM_AboutHelp"_s);
    connect(help, &QAction::triggered, this, &MainWindow::helpRequested);
    connect(about, &QAction::triggered, this, &MainWindow::aboutRequested);
    connect(m_helpButton, &QPushButton::clicked, this, [this] { m_helpMenu->popup(QCursor::pos()); });

    setTabOrder(m_treeViewUsers, m_comboBoxComp);
    setTabOrder(m_comboBoxComp, m_speedButtonMLM);
    setTabOrder(m_speedButtonMLM, m_statusButton);
    setTabOrder(m_statusButton, m_pingButton);
    setTabOrder(m_pingButton, m_settingsButton);
    setTabOrder(m_settingsButton, m_helpButton);

    connect(m_speedButtonMLM, &QPushButton::clicked, this, &MainWindow::requestMessageWindow);
    connect(m_netLabel, &QToolButton::clicked, this, [this] { popupNetBrowseMenu(QCursor::pos()); });
    connect(m_netBrowseMenu, &NetBrowseMenu::recipientChosen, this, &MainWindow::chooseRecipient);
    connect(m_netBrowseMenu, &NetBrowseMenu::browseRequested, this, [this] {
        if (m_comboBoxComp->isEnabled())
            m_comboBoxComp->setFocus(Qt::OtherFocusReason);
        Q_EMIT computerBrowseRequested();
    });
    connect(m_settingsButton, &QPushButton::clicked, this, &MainWindow::settingsRequested);
    connect(m_pingButton, &QToolButton::clicked, this, &MainWindow::wholeTreeCheckRequested);
    // Shift+F5 checks the whole tree while a node of it is selected.
    auto* checkAll = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5), this);
    connect(checkAll, &QShortcut::activated, this, [this] {
        if (m_treeViewUsers->currentItem() && m_pingButton->isEnabled())
            Q_EMIT wholeTreeCheckRequested();
    });

    // The window sees its controls' keys first: F1 opens the help, Esc hides the window.
    auto* helpKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(helpKey, &QShortcut::activated, this, &MainWindow::helpRequested);
    auto* hideKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(hideKey, &QShortcut::activated, this, [this] {
        m_toggled = false;
        hide();
    });

    resize(320, 460);
    move(x(), 168);
}

MainWindow::~MainWindow() = default;

QComboBox* MainWindow::recipientBox() const
{
    return m_comboBoxComp;
}

void MainWindow::attachContacts(ContactTreeController::Services services)
{
    m_controller =
        std::make_unique<ContactTreeController>(*m_treeViewUsers, *m_comboBoxComp, std::move(services));
    connect(m_controller.get(), &ContactTreeController::messageWindowRequested, this,
            &MainWindow::requestMessageWindow);
    connect(m_controller.get(), &ContactTreeController::conversationRequested, this,
            &MainWindow::conversationRequested);
}

void MainWindow::detachContacts()
{
    m_controller.reset();
}

void MainWindow::popupNetBrowseMenu(const QPoint& globalPos)
{
    m_netBrowseMenu->setFieldEnabled(m_comboBoxComp->isEnabled());
    m_netBrowseMenu->popup(globalPos);
}

void MainWindow::chooseRecipient(const QString& text)
{
    if (m_controller)
        m_controller->chooseRecipient(text);
}

void MainWindow::requestMessageWindow()
{
    Q_EMIT writeMessageRequested(m_comboBoxComp->currentText().trimmed());
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
    m_toggled = false;
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

void MainWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        m_toggled = false;
}

void MainWindow::showStatus(int code)
{
    m_statusMenu->setStatus(code);
    m_statusButton->setIcon(StatusMenu::statusIcon(code));
}

QString MainWindow::idleCheckHint()
{
    return u"Обновить доступность пользователей   (Shift+F5)"_s;
}

void MainWindow::setPresenceBusy(bool busy)
{
    m_settingsButton->setEnabled(!busy);
    m_pingButton->setEnabled(!busy);
    if (!busy)
        m_pingButton->setToolTip(idleCheckHint());
}

void MainWindow::setCheckHint(const QString& hint)
{
    m_pingButton->setToolTip(hint);
}

} // namespace vantrel
