#pragma once

#include <QString>
#include <QValidator>

namespace ringlatch {

// What may be typed or pasted into the number field: printable ASCII only, and
// no more than the limit in all. Whatever is inserted is filtered and cut to
// fit, so a paste puts in what fits; deleting is always allowed. Text the
// program itself puts into the field (a read-out) is not limited.
struct Edit {
    QString text;
    int cursor = 0;
};
Edit limitEdit(const QString &before, const QString &after, int cursor, int limit);

class TypingLimit : public QValidator {
    Q_OBJECT
public:
    explicit TypingLimit(int limit, QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;

    // The field's text as it stands now, for the next edit to be compared with.
    void setCurrentText(const QString &text) { current_ = text; }
    // While suspended, every change passes unchanged.
    void setSuspended(bool suspended) { suspended_ = suspended; }
    int limit() const { return limit_; }

private:
    int limit_;
    mutable QString current_;
    bool suspended_ = false;
};

} // namespace ringlatch
