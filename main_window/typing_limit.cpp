#include "main_window/typing_limit.h"

#include "device_link/number_rule.h"

#include <algorithm>

namespace ringlatch {

Edit limitEdit(const QString &before, const QString &after, int cursor, int limit)
{
    // The edit replaced the middle of `before` with the middle of `after`;
    // the common start and end are what stayed.
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype head = 0;
    while (head < shorter && before[head] == after[head])
        ++head;
    qsizetype tail = 0;
    while (tail < shorter - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;

    const QString inserted = after.mid(head, after.size() - head - tail);
    if (inserted.isEmpty())
        return {after, cursor};

    const qsizetype kept = before.size() - (before.size() - head - tail);
    const qsizetype room = std::max<qsizetype>(0, limit - kept);
    QString accepted;
    for (QChar c : inserted) {
        if (accepted.size() >= room)
            break;
        if (isNumberCharacter(c))
            accepted += c;
    }
    if (accepted == inserted)
        return {after, cursor};
    const QString text = after.left(head) + accepted + after.right(tail);
    return {text, static_cast<int>(head + accepted.size())};
}

TypingLimit::TypingLimit(int limit, QObject *parent) : QValidator(parent), limit_(limit) {}

QValidator::State TypingLimit::validate(QString &input, int &pos) const
{
    if (!suspended_) {
        const Edit edit = limitEdit(current_, input, pos, limit_);
        input = edit.text;
        pos = edit.cursor;
    }
    current_ = input;
    return Acceptable;
}

} // namespace ringlatch
