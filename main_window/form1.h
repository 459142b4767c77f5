#pragma once

#include "device_link/com1.h"
#include "device_link/exchange.h"
#include "device_link/messages.h"
#include "device_link/number_rule.h"

#include <QString>
#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ringlatch {

class SerialPort;
struct PortStatus;
class TypingLimit;

// The program's window. Widgets keep their designer names (Text1, Command1 …)
// as object names; MSComm1 is the serial port. Clicks become operations on
// the port and the exchange; results are reported in modal boxes.
class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(const QString &com1Device = QString::fromLatin1(kCom1Device),
                   QWidget *parent = nullptr);
    ~Form1() override;

    // The length typing and pasting may give the number.
    static constexpr int kNumberLimit = ringlatch::kNumberLimit;

    // True while a store request waits for its acknowledgement.
    bool waiting() const { return waiting_; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWidgets();
    void formLoad();
    void command1Click();
    void command2Click();
    void command3Click();
    void option1Click();
    void option2Click();

    void selectOption1();
    void reopenCom1();
    void onStored(const ringlatch::StoreResult &result);
    void onPortFailed(const QString &reason);
    void reportPortError(const QString &reason);
    void setText1(const QString &text);
    void beginWait();
    void endWait();

    SerialPort *MSComm1 = nullptr;
    Exchange *exchange_ = nullptr;
    TypingLimit *typingLimit_ = nullptr;

    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QWidget *Picture1 = nullptr;

    bool waiting_ = false;
    bool shown_ = false;
    QString startupError_;
};

// Texts the window shows.
inline constexpr char kNoCom2Message[] = "Nepostoji COM2";
inline constexpr char kAboutTitle[] = "O programu";
inline constexpr char kContactAddress[] = "kontakt@ringlatch.example";
QString aboutMessage();

} // namespace ringlatch
