// The search box's rules and the GUI thread dispatcher, without a window.
#include <QThread>
#include <QtTest>
#include <atomic>
#include <thread>

#include "qarv/GuiDispatcher.h"
#include "qarv/SearchRules.h"

class RulesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void placeAddress() {
        using SearchRules::ParsePlaceUrl;
        auto plain = ParsePlaceUrl("  HTTP://Music.Example.org/Find?p=%s&b=%d  ");
        QCOMPARE(plain.host, QString("music.example.org"));
        QCOMPARE(plain.port, 80);
        QCOMPARE(plain.request, QString("find?p=%s&b=%d"));
        auto port = ParsePlaceUrl("localhost:8080/s?p=%s");
        QCOMPARE(port.host, QString("localhost"));
        QCOMPARE(port.port, 8080);
        QVERIFY(port.IsValid());
        auto secure = ParsePlaceUrl("https://search.example.org/q?p=%s");
        QCOMPARE(secure.host, QString("https://search.example.org"));
        QCOMPARE(secure.port, 443);
        // Without a request there is nothing to ask.
        QVERIFY(!ParsePlaceUrl("http://host.example.org").IsValid());
        QVERIFY(!ParsePlaceUrl("http:///path").IsValid());
        QVERIFY(SearchRules::ParsePlaceUrl(SearchRules::DefaultPlaceUrl()).IsValid());
    }

    void history() {
        QStringList history;
        for (int i = 0; i < 11; ++i) {
            SearchRules::AddToHistory(history, "text" + QString::number(i));
        }
        QCOMPARE(history.size(), 10);
        QCOMPARE(history.first(), QString("text10"));
        QCOMPARE(history.last(), QString("text1"));
        SearchRules::AddToHistory(history, "TEXT3");
        QCOMPARE(history.size(), 10);
        QCOMPARE(history.first(), QString("TEXT3"));
        QCOMPARE(history.count("text3"), 0);
        SearchRules::AddToHistory(history, "text3");
        QCOMPARE(history.first(), QString("TEXT3"));
        QCOMPARE(history.size(), 10);
    }

    void dispatcherRunsWorkOnTheGuiThread() {
        QObject context;
        GuiDispatcher dispatcher(&context);
        auto run = dispatcher.Function();
        QThread* gui = QThread::currentThread();
        QThread* ranOn = nullptr;
        std::atomic<bool> result{false}, finished{false};
        std::thread worker([&] {
            result = run([&] { ranOn = QThread::currentThread(); });
            finished = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(finished.load(), 60000);
        worker.join();
        QVERIFY(result.load());
        QCOMPARE(ranOn, gui);
        // On the GUI thread itself the work runs at once.
        bool inline_ = false;
        QVERIFY(run([&] { inline_ = true; }));
        QVERIFY(inline_);
    }

    void closingReleasesWaitingWorkers() {
        QObject context;
        GuiDispatcher dispatcher(&context);
        auto run = dispatcher.Function();
        std::atomic<int> ran{0}, refused{0};
        std::vector<std::thread> workers;
        for (int i = 0; i < 4; ++i) {
            workers.emplace_back([&] {
                if (!run([&] { ++ran; })) {
                    ++refused;
                }
            });
        }
        // The GUI thread does not run its queue: once every worker waits, it
        // closes and joins, as at shutdown. Every worker must come back.
        while (dispatcher.WaitingCount() < workers.size()) {
            std::this_thread::yield();
        }
        dispatcher.Close();
        for (auto& worker : workers) {
            worker.join();
        }
        QCOMPARE(ran.load() + refused.load(), 4);
        QCOMPARE(ran.load(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(ran.load(), 0);  // refused work never runs later
        std::thread late([&] { QVERIFY(!run([&] { ++ran; })); });
        late.join();
    }
};

QTEST_GUILESS_MAIN(RulesTest)
#include "rules_test.moc"
