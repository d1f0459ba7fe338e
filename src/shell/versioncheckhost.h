#pragma once

#include <QString>
#include <QUrl>

#include <functional>

namespace vantrel {

// What the version check asks of the windows: the question, and the browser.
class VersionCheckHost {
public:
    VersionCheckHost() = default;
    virtual ~VersionCheckHost() = default;
    Q_DISABLE_COPY_MOVE(VersionCheckHost)

    // Shows a Yes/No question with the information icon without waiting for the answer;
    // `answered` runs on the main thread with true for Yes, once the person has answered.
    virtual void askUpdate(const QString& caption, const QString& text,
                           std::function<void(bool)> answered) = 0;
    // Opens a web address in the user's browser.
    virtual void openUrl(const QUrl& url) = 0;
};

} // namespace vantrel
