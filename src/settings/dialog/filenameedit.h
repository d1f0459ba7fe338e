#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace vantrel {

// A file-name field with a "..." button that picks an existing file (`FilenameEdit`).
class FileNameEdit final : public QWidget {
    Q_OBJECT
public:
    // `filter` as the open dialog takes it, e.g. "Звуковые файлы (*.wav)".
    FileNameEdit(QString filter, QString dialogTitle, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(FileNameEdit)

    QString fileName() const;
    void setFileName(const QString& fileName);
    QLineEdit* edit() const { return m_edit; }
    QToolButton* button() const { return m_button; }

private:
    void browse();

    QString m_filter;
    QString m_title;
    QLineEdit* m_edit = nullptr;
    QToolButton* m_button = nullptr;
};

} // namespace vantrel
