#pragma once

#include "box_catcher.h"
#include "device_link/serial_port.h"
#include "main_window/form1.h"
#include "sim_device.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace ringlatch_tests {

using namespace ringlatch;

inline const QString kPortError = QStringLiteral("Greska na portu COM1\r\n");

// The window on a simulated device reached through a symlink, so that the
// device can be unplugged and plugged in again at the same path.
struct Bench {
    QTemporaryDir dir;
    QString com1 = dir.filePath(QStringLiteral("ttyS0"));
    std::unique_ptr<SimDevice> device;
    std::unique_ptr<Form1> form;

    explicit Bench(bool plugged = true)
    {
        if (plugged)
            plug();
    }
    void plug() { device = std::make_unique<SimDevice>(com1); }
    QList<SeenBox> start(int boxes = 0)
    {
        QList<SeenBox> seen = catchBoxes(
            [&] {
                form = std::make_unique<Form1>(com1);
                form->show();
                QVERIFY(QTest::qWaitForWindowExposed(form.get()));
            },
            boxes, boxes ? 5000 : 50);
        return seen;
    }

    template <typename T> T *find(const char *name) const
    {
        return form->findChild<T *>(QString::fromLatin1(name));
    }
    QLineEdit *text1() const { return find<QLineEdit>("Text1"); }
    SerialPort *port() const { return find<SerialPort>("MSComm1"); }
    QList<SeenBox> click(const char *name, int boxes = 1)
    {
        return catchBoxes([&] { QTest::mouseClick(find<QAbstractButton>(name), Qt::LeftButton); },
                          boxes);
    }
};

} // namespace ringlatch_tests
