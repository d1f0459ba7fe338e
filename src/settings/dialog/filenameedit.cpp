#include "settings/dialog/filenameedit.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace vantrel {

FileNameEdit::FileNameEdit(QString filter, QString dialogTitle, QWidget* parent)
    : QWidget(parent)
    , m_filter(std::move(filter))
    , m_title(std::move(dialogTitle))
{
    m_edit = new QLineEdit(this);
    m_button = new QToolButton(this);
    m_button->setText(u"..."_s);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_button);
    setFocusProxy(m_edit);
    connect(m_button, &QToolButton::clicked, this, &FileNameEdit::browse);
}

QString FileNameEdit::fileName() const
{
    return m_edit->text().trimmed();
}

void FileNameEdit::setFileName(const QString& fileName)
{
    m_edit->setText(fileName);
}

void FileNameEdit::browse()
{
    const QFileInfo current(fileName());
    const QString folder = current.absoluteDir().exists() ? current.absolutePath() : QString();
    const QString picked = QFileDialog::getOpenFileName(this, m_title, folder, m_filter);
    if (!picked.isEmpty())
        m_edit->setText(picked);
}

} // namespace vantrel
