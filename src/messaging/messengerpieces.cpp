#include "messaging/messengerpieces.h"

namespace vantrel {

MessengerPieceRules MessengerPieceRules::forGeneration(Generation generation)
{
    switch (generation) {
    case Generation::Windows9x:
        return {100, 1, 100};
    case Generation::XP:
        return {850, 0, 500};
    case Generation::NT:
    case Generation::VistaOrLater:
        break;
    }
    return {850, 0, 100};
}

namespace {

// Moves a cut after `length` characters back by one where it would split a character made of
// two UTF-16 units or a CR LF line break.
qsizetype safeCut(QStringView text, qsizetype length)
{
    if (length <= 1 || length >= text.size())
        return length;
    const QChar before = text.at(length - 1);
    const QChar after = text.at(length);
    if ((before.isHighSurrogate() && after.isLowSurrogate()) || (before == u'\r' && after == u'\n'))
        return length - 1;
    return length;
}

// Appends `piece` (marked when `marked`) to `out`, cut further while the transport cannot
// carry it.
void appendFitting(QStringList& out, QStringView piece, bool marked,
                   const std::function<bool(QStringView)>& fits)
{
    const auto withMark = [](QStringView part, bool mark) {
        return mark ? part.toString() + MessengerContinuationMark : part.toString();
    };
    while (fits && !piece.isEmpty() && !fits(withMark(piece, marked))) {
        // The longest start that fits with a mark (at least one character, so it ends).
        qsizetype low = 1;
        qsizetype high = piece.size() - 1;
        while (low < high) {
            const qsizetype middle = (low + high + 1) / 2;
            if (fits(withMark(piece.first(middle), true)))
                low = middle;
            else
                high = middle - 1;
        }
        const qsizetype cut = qMax<qsizetype>(1, safeCut(piece, low));
        out.append(withMark(piece.first(cut), true));
        piece = piece.sliced(cut);
    }
    if (!piece.isEmpty())
        out.append(withMark(piece, marked));
}

} // namespace

QStringList SplitMessengerPieces(QStringView text, const MessengerPieceRules& rules,
                                 const std::function<bool(QStringView)>& fits)
{
    QStringList pieces;
    const qsizetype n = qMax(1, rules.pieceSize);
    const qsizetype take = n + rules.extra;
    qsizetype remainder = text.size() % n;
    QStringView left = text;
    while (!left.isEmpty()) {
        const qsizetype length = left.size();
        const qsizetype count = safeCut(left, qMin(length, remainder != 0 ? remainder + rules.extra : take));
        QStringView piece = left.first(count);
        left = left.sliced(count);
        remainder = 0;
        // More follows: the piece is marked (never the last one, which would leave an empty piece).
        const bool more = n < length && !left.isEmpty();
        appendFitting(pieces, piece, more, fits);
        if (!more)
            break;
    }
    return pieces;
}

} // namespace vantrel
