#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

namespace vantrel {

// The names of peer addresses, by reverse lookup, remembered for a while: the black-list
// check of every connection needs one, and a peer that opens many connections must not cost
// a lookup each (the lookups of a flood would delay everybody else's). Connections from an
// address whose lookup is under way wait for that one lookup. A lookup that takes longer
// than the time-out counts as giving no name.
class PeerNames final : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const QString& name)>;

    static constexpr int RememberMs = 60000;
    static constexpr int MaxRemembered = 4096;

    explicit PeerNames(int timeoutMs, QObject* parent = nullptr);
    ~PeerNames() override;
    Q_DISABLE_COPY_MOVE(PeerNames)

    // Calls `done` with the address's name (empty when it has none), at once when it is
    // known, else from the event loop; never after `context` is gone.
    void lookup(const QString& address, QObject* context, Done done);

    // Lookups made so far (tests).
    int lookupCount() const { return m_lookups; }

private:
    struct Known {
        QString name;
        QElapsedTimer age;
    };
    struct Waiter {
        QPointer<QObject> context;
        Done done;
    };
    struct Pending {
        int id = -1;
        QList<Waiter> waiters;
    };
    void answer(const QString& address, const QString& name);

    int m_timeoutMs;
    QHash<QString, Known> m_known;
    QHash<QString, Pending> m_pending;
    int m_lookups = 0;
};

} // namespace vantrel
