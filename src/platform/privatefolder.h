#pragma once

#include <QString>

namespace vantrel {

// A folder of this user that no other local user can enter or plant links in: `name` inside
// $XDG_RUNTIME_DIR, or inside the folder "vantrel" of the user's cache folder, made with mode
// 0700 (an own folder that is too open is closed). Empty when no such folder can be had (a link
// stands there, or a folder of another user).
QString PrivateFolder(const QString& name);

} // namespace vantrel
