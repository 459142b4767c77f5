#include "main_window/form1.h"

#include "device_link/serial_port.h"
#include "main_window/accessibility.h"
#include "main_window/banner.h"
#include "main_window/design_fonts.h"
#include "main_window/message_box.h"
#include "main_window/typing_limit.h"

#include <QApplication>
#include <QGroupBox>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <limits>

namespace ringlatch {

namespace {

// The window was designed in twips; 15 twips make one logical pixel.
constexpr int kTwipsPerPixel = 15;

QRect twips(int left, int top, int width, int height)
{
    return {left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
            height / kTwipsPerPixel};
}

template <typename W, typename... Args> W *named(QWidget *parent, const char *name, Args &&...args)
{
    auto *widget = new W(std::forward<Args>(args)..., parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

bool isUserInput(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::InputMethod:
    case QEvent::Drop:
    case QEvent::TouchBegin:
        return true;
    default:
        return false;
    }
}

} // namespace

QString aboutMessage()
{
    return QStringLiteral("Program za ubacivanje podataka u eprom uredjaja\r\n\r\n") +
           QString::fromLatin1(kContactAddress);
}

Form1::Form1(const QString &com1Device, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    MSComm1 = new SerialPort(com1Device, this);
    MSComm1->setObjectName(QStringLiteral("MSComm1"));
    exchange_ = new Exchange(*MSComm1, this);
    // Queued, so that a port failure during the wait is seen by the window
    // while it still waits, and reported once, with the send's outcome.
    connect(exchange_, &Exchange::stored, this, &Form1::onStored, Qt::QueuedConnection);
    connect(MSComm1, &SerialPort::failed, this, &Form1::onPortFailed);

    buildWidgets();
    formLoad();
}

Form1::~Form1()
{
    if (waiting_)
        QApplication::restoreOverrideCursor();
}

void Form1::buildWidgets()
{
    installAccessibility();
    setWindowTitle(QStringLiteral("Ringlatch v1 :: Korvane ::"));
    setFixedSize(twips(0, 0, 4935, 3360).size());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // On X11 every size is sent to the server at start, so only the ones
    // title bars and task switchers use.
    QIcon icon;
    for (int size : {16, 32, 48}) {
        // Read as PNG by Qt's own reader: left to detect the format, the
        // reader loads every image-format plugin (JPEG, GIF, ICO, SVG) first.
        QImageReader reader(QStringLiteral(":/ringlatch/icons/%1x%1/ringlatch.png").arg(size),
                            "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    setWindowIcon(icon);

    // 8.25 pt regular, bold, and 9.75 pt bold at 96 dpi.
    loadDesignFonts();
    setFont(designFont(11));
    const QFont bold = designFont(11, QFont::Bold);

    Command3 = named<QPushButton>(this, "Command3", QStringLiteral("?"));
    Command3->setGeometry(twips(3120, 2760, 375, 375));
    Command3->setFont(bold);
    // "?" says nothing when read aloud; it is named after the box it opens.
    Command3->setAccessibleName(QString::fromLatin1(kAboutTitle));

    Frame1 = named<QGroupBox>(this, "Frame1", QStringLiteral("&Port"));
    Frame1->setGeometry(twips(3360, 1440, 1215, 975));
    // The frame line runs through the middle of the title, as designed, so
    // that the radio buttons at 16 px sit clear inside the frame.
    Frame1->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 7px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 1px 2px; }"));
    // Alt+P lands on the selected radio button (see eventFilter).
    Frame1->installEventFilter(this);
    Option2 = named<QRadioButton>(Frame1, "Option2", QStringLiteral("COM2"));
    Option2->setGeometry(twips(120, 600, 855, 255));
    Option1 = named<QRadioButton>(Frame1, "Option1", QStringLiteral("COM1"));
    Option1->setGeometry(twips(120, 240, 855, 255));
    // Named, as a style sheet's box does not pass the window's font on.
    Option1->setFont(font());
    Option2->setFont(font());

    Picture1 = named<Banner>(this, "Picture1");
    Picture1->setGeometry(twips(0, 0, 4935, 1215));

    Command2 = named<QPushButton>(this, "Command2", QStringLiteral("Iscitaj"));
    Command2->setGeometry(twips(1680, 2760, 1215, 375));
    Command1 = named<QPushButton>(this, "Command1", QStringLiteral("Posalji "));
    Command1->setGeometry(twips(240, 2760, 1215, 375));

    Text1 = named<QLineEdit>(this, "Text1");
    Text1->setGeometry(twips(720, 1440, 2295, 375));
    Text1->setFont(bold);
    // The field's own limit would cut a long read-out; typing is limited by
    // the validator instead, installed at load.
    Text1->setMaxLength(std::numeric_limits<int>::max());

    Label1 = named<QLabel>(
        this, "Label1",
        QStringLiteral("Ukucajte broj telefona sa koga ce te paliti relej. Max 20 cifara."));
    Label1->setGeometry(twips(240, 2040, 2655, 495));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2 = named<QLabel>(this, "Label2", QStringLiteral("Broj "));
    Label2->setGeometry(twips(240, 1440, 495, 375));
    Label2->setFont(designFont(13, QFont::Bold));

    // A screen reader reads the field by its label and the instruction below
    // it as the description. The buddy links the label to the field for
    // assistive tools; with no "&" in the caption it adds no shortcut.
    Label2->setBuddy(Text1);
    Text1->setAccessibleName(Label2->text().trimmed());
    Text1->setAccessibleDescription(Label1->text());

    for (QWidget *w : {static_cast<QWidget *>(Label1), static_cast<QWidget *>(Label2),
                       static_cast<QWidget *>(Frame1), Picture1})
        w->setFocusPolicy(Qt::NoFocus);
    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Option1);
    setTabOrder(Option1, Option2);
    setTabOrder(Option2, Command3);
    Text1->setFocus();

    connect(Command1, &QPushButton::clicked, this, &Form1::command1Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::command2Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::command3Click);
    connect(Option1, &QRadioButton::clicked, this, &Form1::option1Click);
    connect(Option2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            option2Click();
    });
}

void Form1::formLoad()
{
    const PortStatus status = openCom1(*MSComm1);
    MSComm1->setInputLen(0);

    if (status.ok()) {
        selectOption1();
    } else {
        // Reported once the window is up; selecting COM1 retries.
        startupError_ = status.error;
        Option1->setChecked(true);
    }

    typingLimit_ = new TypingLimit(kNumberLimit, Text1);
    typingLimit_->setCurrentText(Text1->text());
    Text1->setValidator(typingLimit_);
}

void Form1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    if (!startupError_.isNull()) {
        QTimer::singleShot(0, this, [this] { reportPortError(std::exchange(startupError_, {})); });
    }
}

void Form1::command1Click()
{
    if (waiting_ || exchange_->busy())
        return;
    beginWait();
    exchange_->storeNumber(Text1->text());
}

void Form1::onStored(const StoreResult &result)
{
    endWait();
    switch (result.outcome) {
    case StoreResult::Outcome::Acknowledged:
        showMessage(this, QString::fromLatin1(kStoredMessage), BoxStyle::Plain);
        break;
    case StoreResult::Outcome::PortFailed:
        reportPortError(result.error);
        [[fallthrough]];
    case StoreResult::Outcome::NotAcknowledged:
        showMessage(this, QString::fromLatin1(kNotStoredMessage), BoxStyle::Critical);
        break;
    }
}

void Form1::command2Click()
{
    setText1(QString());
    const ReadOutResult read = exchange_->readOut();
    if (!read.ok()) {
        reportPortError(read.error);
        return;
    }
    setText1(read.text);
}

void Form1::command3Click()
{
    showMessage(this, aboutMessage(), BoxStyle::Information, QString::fromLatin1(kAboutTitle));
}

void Form1::option1Click()
{
    reopenCom1();
}

void Form1::option2Click()
{
    showMessage(this, QString::fromLatin1(kNoCom2Message), BoxStyle::Plain);
    selectOption1();
}

void Form1::selectOption1()
{
    Option1->setChecked(true);
    option1Click();
}

void Form1::reopenCom1()
{
    if (MSComm1->isOpen())
        MSComm1->close();
    if (const PortStatus status = openCom1(*MSComm1); !status.ok())
        reportPortError(status.error);
}

void Form1::onPortFailed(const QString &reason)
{
    // During a store request the exchange reports the failure with its outcome.
    if (!waiting_)
        reportPortError(reason);
}

void Form1::reportPortError(const QString &reason)
{
    showMessage(this, QString::fromLatin1(kPortErrorMessage) + QStringLiteral("\r\n") + reason,
                BoxStyle::Critical);
}

void Form1::setText1(const QString &text)
{
    // Text the program puts into the field is never cut to the typing limit.
    typingLimit_->setSuspended(true);
    Text1->setText(text);
    typingLimit_->setSuspended(false);
}

void Form1::beginWait()
{
    waiting_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(this);
}

void Form1::endWait()
{
    if (!waiting_)
        return;
    waiting_ = false;
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    // While the acknowledgement is awaited the window keeps painting, but no
    // click or key acts: input is dropped, not queued for later.
    if (waiting_ && watched->isWidgetType() && isUserInput(event) &&
        static_cast<QWidget *>(watched)->window() == this)
        return true;
    // The group box's own mnemonic goes back to whichever button last had
    // the focus, which after a refused COM2 is not the selected one.
    if (watched == Frame1 && event->type() == QEvent::Shortcut) {
        (Option2->isChecked() ? Option2 : Option1)->setFocus(Qt::ShortcutFocusReason);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace ringlatch
