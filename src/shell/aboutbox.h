#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;
class QPushButton;

namespace vantrel {

// TAboutBox, "О программе": the program's picture, "Vantrel" in large type, "Версия " and
// the version text, the project's web address (a link that opens in the browser) and "OK".
// Modal, centred on the screen.
class AboutBox final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutBox)

public:
    using OpenUrl = std::function<void(const QUrl&)>;

    // A null `openUrl` opens addresses with the desktop's browser.
    AboutBox(const QString& version, const QString& homepage, OpenUrl openUrl = {},
             QWidget* parent = nullptr);

    QLabel* versionLabel() const { return m_version; }
    QLabel* webLabel() const { return m_web; }
    QPushButton* okButton() const { return m_ok; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_version = nullptr;
    QLabel* m_web = nullptr;
    QPushButton* m_ok = nullptr;
    OpenUrl m_openUrl;
};

} // namespace vantrel
