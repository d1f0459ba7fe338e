#pragma once

#include "transfer/transferhost.h"

class QWidget;

namespace vantrel {

// Asks the question of an offer without blocking anything: a question box owned by `owner`
// (the sender's conversation window), then, when the user must choose where the files go, the
// save dialog (one file) or the folder dialog (several), each set up in the step that shows it.
// The answer is given once: a box or dialog that goes away unanswered counts as No.
void AskOfferQuestion(const TransferHost::Question& question, QWidget* owner,
                      TransferHost::AnswerCallback answer);

} // namespace vantrel
