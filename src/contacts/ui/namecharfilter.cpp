#include "contacts/ui/namecharfilter.h"

#include "contacts/favouriteseditor.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace vantrel {

NameCharFilter::NameCharFilter(QLineEdit* edit, std::function<void()> refused)
    : QObject(edit)
    , m_refused(std::move(refused))
{
    edit->installEventFilter(this);
}

void NameCharFilter::install(QLineEdit* edit, std::function<void()> refused)
{
    new NameCharFilter(edit, std::move(refused));
}

bool NameCharFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        for (const QChar c : text) {
            if (FavouritesEditor::isForbiddenChar(c)) {
                if (m_refused)
                    m_refused();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vantrel
