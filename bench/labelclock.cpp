// The yardstick for the clock's idle cost: the least a Qt Widgets clock can
// be, a label showing the time, updated every second. bench/idle-usage.sh
// runs it beside the clock so that both are measured in the same session.
#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QTimer>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1"); // as the clock does, so that both paint alike
    QApplication app(argc, argv);
    QLabel label;
    label.setWindowTitle(QStringLiteral("Label clock"));
    label.setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
    label.resize(127, 47);
    const auto show = [&label] {
        label.setText(QDateTime::currentDateTime().toString(QStringLiteral("H:mm:ss\ndd.MM.yyyy")));
    };
    show();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &label, show);
    timer.start(1000);
    label.show();
    return QApplication::exec();
}
