// Property calls from a worker thread run on the main thread, and a worker
// that waits on the main thread never holds up the end of the program.
#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <atomic>
#include <thread>

#include "form_fixture.h"
#include "runtime/main_thread.h"
#include "runtime/property_access.h"
#include "support/report_capture.h"

namespace qinghe::testing {
namespace {

using WorkerThreadTest = FormEngineTest;

TEST_F(WorkerThreadTest, WorkerWritesAndReadsWhileInputIsHandledThenTheLastCloseEndsAll) {
    install(
        {window(1, {unit(component_id(2), UnitType::kLabel, QRect(5, 5, 100, 20), label_blob())})});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    QWidget* label = find_object(window_id(1), component_id(2));
    static const std::string progress = utf8_to_gbk("正在读取第1个基金");

    std::atomic<int> rounds{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> wrong_thread{false};
    recorder().actions[{component_id(2), -1}] = [&] {
        if (!on_main_thread()) wrong_thread = true;
    };
    std::thread worker([&] {
        while (!stop) {
            set_property(window_id(1), component_id(2), 8, -1,
                         TaggedArg::of_text(progress.c_str()));
            TaggedArg width = get_property(window_id(1), component_id(2), 2, -1);
            if (width.as_int() == 100) ++rounds;
        }
    });
    int clicks = 0;
    QTimer input;
    QObject::connect(&input, &QTimer::timeout, [&] {
        QPointF at(3, 3);
        QMouseEvent press(QEvent::MouseButtonPress, at, label->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        press.setTimestamp(quint64(10000 + clicks));
        QCoreApplication::sendEvent(label, &press);
        // The last window closes while the worker is waiting on a call.
        if (++clicks >= 20 && rounds > 20) find_object(window_id(1), 0)->close();
    });
    input.start(1);
    run_message_loop();
    input.stop();
    EXPECT_EQ(find_object(window_id(1), 0), nullptr);
    EXPECT_GT(rounds.load(), 20);
    EXPECT_FALSE(wrong_thread);
    EXPECT_GE(recorder().count(component_id(2), -1), 20);

    // The loop is over; the exit releases the waiting worker.
    ReportCapture capture;
    set_exit_sequence(&form_engine_exit_sequence);
    stop = true;
    EXPECT_EQ(exit_code_of([] { runtime_exit(0); }), 0);
    worker.join();
}

TEST_F(WorkerThreadTest, WorkerRequestToEndTheProgramRunsOnTheMainThread) {
    install({window(1, {})});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    ReportCapture capture;
    set_exit_sequence(&form_engine_exit_sequence);
    std::atomic<bool> worker_ended{false};
    std::thread worker([&] {
        try {
            runtime_exit(7);
        } catch (const ProcessEnded&) {
        }
        worker_ended = true;
    });
    int32_t code = exit_code_of([&] {
        while (!worker_ended) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    });
    worker.join();
    EXPECT_EQ(code, 7);  // the main thread ran the exit sequence
    EXPECT_EQ(find_object(window_id(1), 0), nullptr);
}

}  // namespace
}  // namespace qinghe::testing
