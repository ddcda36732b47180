// Timers as QTimer: repeating, precise (periods from 1 ms), on the toolkit's thread.
#include <QCoreApplication>
#include <QTimer>
#include <cstdint>

namespace qms::ui::qt {

void *startTimer(unsigned milliseconds, void (*fire)(std::uint64_t), std::uint64_t cookie)
{
    auto *timer = new QTimer(QCoreApplication::instance());
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(static_cast<int>(milliseconds));
    QObject::connect(timer, &QTimer::timeout, [fire, cookie] { fire(cookie); });
    timer->start();
    return timer;
}

void stopTimer(void *timer)
{
    auto *t = static_cast<QTimer *>(timer);
    t->stop();
    // It may be stopping from inside its own timeout.
    t->deleteLater();
}

} // namespace qms::ui::qt
