#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace vantrel {

class Transfer;

// What the transfer engine asks of the windows, the headless mode or a test. The engine never
// waits for a person: a question is answered later through its callback, on the engine's thread.
class TransferHost {
public:
    // The question of an offer that is not accepted by itself.
    struct Question {
        enum class Kind { File, Files, Image };
        Kind kind = Kind::File;
        // The sender's contact name: its conversation window owns the question.
        QString contact;
        QString title;
        QString text;
        // After Yes the user chooses where the files go: the save dialog for one file, the
        // folder dialog for several, starting in `folder` (which the host creates first).
        bool chooseDestination = false;
        QString folder;
        QString fileName; // one file: the name the save dialog proposes
    };
    struct Answer {
        bool accepted = false;
        // With chooseDestination: the chosen file (one file) or folder (several).
        QString destination;
    };
    using AnswerCallback = std::function<void(const Answer&)>;

    TransferHost() = default;
    virtual ~TransferHost() = default;
    Q_DISABLE_COPY_MOVE(TransferHost)

    // Asks the question; `answer` is called once, on the engine's thread, possibly at once.
    virtual void askOffer(const Question& question, AnswerCallback answer) = 0;
    // A transfer begins: the windows show its progress. It may be kept after it has finished.
    virtual void transferStarted(const std::shared_ptr<Transfer>& transfer) = 0;
    // A picture has arrived at `path` (in a private folder of its own): the host shows it and
    // deletes the file and its folder.
    virtual void pictureReceived(const QString& contact, const QString& path) = 0;
};

} // namespace vantrel
