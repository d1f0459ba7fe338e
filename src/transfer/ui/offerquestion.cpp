#include "transfer/ui/offerquestion.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include <memory>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

// The answer, given exactly once whichever window ends the question.
class Reply final {
public:
    explicit Reply(TransferHost::AnswerCallback answer)
        : m_answer(std::move(answer))
    {}
    Q_DISABLE_COPY_MOVE(Reply)
    void give(const TransferHost::Answer& answer)
    {
        if (!m_answer)
            return;
        const TransferHost::AnswerCallback callback = std::move(m_answer);
        m_answer = nullptr;
        callback(answer);
    }

private:
    TransferHost::AnswerCallback m_answer;
};

void chooseDestination(const TransferHost::Question& question, QWidget* owner,
                       const std::shared_ptr<Reply>& reply)
{
    // The per-sender folder exists from now on, even when the dialog is cancelled.
    QDir().mkpath(question.folder);
    auto* dialog = new QFileDialog(owner);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setDirectory(question.folder);
    if (question.kind == TransferHost::Question::Kind::File) {
        dialog->setWindowTitle(u"Сохранить как"_s);
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setNameFilter(u"Все файлы (*)"_s);
        dialog->setDefaultSuffix(QFileInfo(question.fileName).suffix());
        dialog->selectFile(question.fileName);
    } else {
        dialog->setWindowTitle(u"Выберите папку для сохранения принятых файлов"_s);
        dialog->setFileMode(QFileDialog::Directory);
        // No button for making a folder.
        dialog->setOptions(QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly);
    }
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, reply](int result) {
        const QStringList chosen = dialog->selectedFiles();
        if (result == QDialog::Accepted && !chosen.isEmpty())
            reply->give({true, QDir::cleanPath(chosen.constFirst())});
        else
            reply->give({});
    });
    QObject::connect(dialog, &QObject::destroyed, [reply] { reply->give({}); });
    dialog->open();
}

} // namespace

void AskOfferQuestion(const TransferHost::Question& question, QWidget* owner,
                      TransferHost::AnswerCallback answer)
{
    auto reply = std::make_shared<Reply>(std::move(answer));
    auto* box = new QMessageBox(QMessageBox::Question, question.title, question.text,
                                QMessageBox::Yes | QMessageBox::No, owner);
    box->setObjectName(u"OfferQuestion"_s);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    box->setDefaultButton(QMessageBox::Yes);
    // Once the box has been answered, its going away says nothing more.
    auto decided = std::make_shared<bool>(false);
    QObject::connect(box, &QMessageBox::finished, box, [box, question, owner, reply, decided](int) {
        *decided = true;
        if (box->clickedButton() != box->button(QMessageBox::Yes)) {
            reply->give({});
            return;
        }
        if (!question.chooseDestination) {
            reply->give({true, {}});
            return;
        }
        chooseDestination(question, owner, reply);
    });
    QObject::connect(box, &QObject::destroyed, [reply, decided] {
        if (!*decided)
            reply->give({});
    });
    box->open();
}

} // namespace vantrel
