#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

namespace vantrel {

// How a long message is cut for the Messenger-service transport, by the generation of the
// operating system: NT-family systems take 850 characters a message, older ones 100 (each
// piece one character more); XP waits longer between pieces.
struct MessengerPieceRules {
    enum class Generation { Windows9x, NT, XP, VistaOrLater };

    int pieceSize = 850;
    int extra = 0;
    int pauseMs = 100;

    static MessengerPieceRules forGeneration(Generation generation);
};

// Every piece but the last ends with this mark; receivers join such pieces.
inline constexpr QStringView MessengerContinuationMark = u"-->";

// The pieces of `text`, marks included, in sending order (MySendMultiLineMessage): the first
// piece carries the remainder of the length modulo the piece size, every later one is full, a
// text of at most a piece size goes whole and unmarked. A cut never falls inside a surrogate
// pair or between CR and LF (the piece is one character shorter then), and no empty piece is
// sent. With `fits`, a piece that the transport cannot carry (mark included) is cut further,
// every part but the last of the whole text still marked, so that receivers get it all.
QStringList SplitMessengerPieces(QStringView text, const MessengerPieceRules& rules,
                                 const std::function<bool(QStringView)>& fits = {});

} // namespace vantrel
