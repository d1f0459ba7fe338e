#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace vantrel {

class GlobalHotKeys;
class Settings;

// The program's two system-wide keys: JvApplicationHotKey_Main (the restore action) and
// JvApplicationHotKey_AA (toggles the away status), registered from their stored numbers at
// start and again whenever a number changes. A key that cannot be registered is reported as
// "Can not Register HotKey: " followed by its text; the program goes on without it. A stored
// 0 means no key.
class HotKeyBindings final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HotKeyBindings)

public:
    enum Id { Main = 1, Away = 2 };
    // Shows the error text (an error notification).
    using ReportFailure = std::function<void(const QString& text)>;

    HotKeyBindings(GlobalHotKeys& keys, Settings& settings, ReportFailure reportFailure,
                   QObject* parent = nullptr);
    ~HotKeyBindings() override;

    void start();
    bool isRegistered(Id id) const { return id == Main ? m_mainRegistered : m_awayRegistered; }

    static QString failureText(int code);

Q_SIGNALS:
    void mainActivated();
    void awayActivated();

private:
    void apply(Id id);
    int codeOf(Id id) const;

    GlobalHotKeys& m_keys;
    Settings& m_settings;
    ReportFailure m_reportFailure;
    bool m_mainRegistered = false;
    bool m_awayRegistered = false;
};

} // namespace vantrel
