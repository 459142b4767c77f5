#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace ringlatch {

// The title of every box that names no other.
inline constexpr char kAppTitle[] = "Ringlatch_1";

// The three kinds of box the program shows; the values are the classic
// message-box style numbers.
enum class BoxStyle { Plain = 0, Critical = 16, Information = 64 };

// A modal box with one OK button. Ctrl+C copies the whole message (title,
// text and buttons), as desktop message boxes do on Windows.
class MessageBox : public QMessageBox {
    Q_OBJECT
public:
    MessageBox(QWidget *parent, const QString &text, BoxStyle style,
               const QString &title = QString::fromLatin1(kAppTitle));

    // The text Ctrl+C puts on the clipboard.
    QString copyText() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// Shows the box and returns once it has been closed.
void showMessage(QWidget *parent, const QString &text, BoxStyle style,
                 const QString &title = QString::fromLatin1(kAppTitle));

} // namespace ringlatch
