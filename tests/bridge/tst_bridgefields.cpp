// get, set, describe and subscribe of dapbridge against a simulated processor: the names and
// checks of the one description, changes pushed once to every watcher, whoever made them.
#include "bridgeclient.h"
#include "support/simprocess.h"

#include <QJsonArray>
#include <QTest>

#include <memory>

using testsupport::SimProcess;

namespace {

QJsonObject gainOf(int channel)
{
    return {
        {"processor", "127.0.0.2"}, {"block", "in-level"}, {"channel", channel}, {"field", "gain"}};
}

QJsonObject with(QJsonObject o, const QString &key, const QJsonValue &value)
{
    o.insert(key, value);
    return o;
}

int countChanged(const QList<QJsonObject> &messages)
{
    return int(std::count_if(messages.begin(), messages.end(), [](const QJsonObject &m) {
        return m.value("method") == QLatin1String("changed");
    }));
}

} // namespace

class TestBridgeFields : public QObject {
    Q_OBJECT

    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<BridgeProcess> m_bridge;

    QJsonValue getValue(RpcClient &client, const QJsonObject &params)
    {
        const auto answer = client.call("get", params);
        return answer ? answer->value("result").toObject().value("value") : QJsonValue();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_sim = std::make_unique<SimProcess>(
            QStringList{"--address", "127.0.0.2", "--password", "1234"});
        QVERIFY2(m_sim->start(), qPrintable(m_sim->errorText()));
        m_bridge = std::make_unique<BridgeProcess>(
            QJsonObject{{"announce_port", 9},
                        {"processors",
                         QJsonArray{QJsonObject{{"address", "127.0.0.2"}, {"password", "1234"}}}}});
        QVERIFY2(m_bridge->start(), qPrintable(m_bridge->errorText()));
        RpcClient client;
        QVERIFY(client.connectLines(m_bridge->tcpPort()));
        QVERIFY(QTest::qWaitFor(
            [&] {
                const auto a = client.call("processors");
                return a && a->value("result").toArray().at(0).toObject().value("up").toBool();
            },
            8000));
    }

    // One client sets, two others watch: each watcher hears the change once, also one made
    // with dapctl.
    void aChangeReachesEveryWatcherOnce()
    {
        RpcClient setter;
        RpcClient watcher;
        RpcClient lineWatcher;
        QVERIFY(setter.connectWebSocket(m_bridge->httpPort()));
        QVERIFY(watcher.connectWebSocket(m_bridge->httpPort()));
        QVERIFY(lineWatcher.connectLines(m_bridge->tcpPort()));
        const QJsonObject field{{"block", "in-level"}, {"channel", 2}, {"field", "gain"}};
        for (RpcClient *w : {&watcher, &lineWatcher}) {
            const auto subscribed =
                w->call("subscribe", {{"processor", "127.0.0.2"}, {"fields", QJsonArray{field}}});
            QVERIFY(subscribed && errorCode(*subscribed) == 0);
            QCOMPARE(subscribed->value("result").toObject().value("fields").toInt(), 1);
        }
        QTest::qWait(300); // the watched value is known before it changes

        const auto set = setter.call("set", with(gainOf(2), "value", -6.5));
        QVERIFY(set);
        QCOMPARE(errorCode(*set), 0);
        QCOMPARE(set->value("result").toObject().value("value").toDouble(), -6.5);
        const auto got = setter.call("get", gainOf(2));
        QVERIFY(got);
        QCOMPARE(got->value("result").toObject().value("value").toDouble(), -6.5);
        QCOMPARE(got->value("result").toObject().value("unit").toString(), QString("dB"));

        for (RpcClient *w : {&watcher, &lineWatcher}) {
            const auto changed = w->waitForNotification("changed");
            QVERIFY(changed);
            const QJsonObject p = changed->value("params").toObject();
            QCOMPARE(p.value("processor").toString(), QString("127.0.0.2"));
            QCOMPARE(p.value("block").toString(), QString("in-level"));
            QCOMPARE(p.value("channel").toInt(), 2);
            QCOMPARE(p.value("field").toString(), QString("gain"));
            QCOMPARE(p.value("value").toDouble(), -6.5);
        }

        // Made elsewhere: dapctl on its own connection.
        QProcess dapctl;
        dapctl.start(QStringLiteral(DAP_BIN_DIR "/dapctl"),
                     {"--password", "1234", "--wait", "0", "set", "127.0.0.2", "in-level", "2",
                      "gain", "-12"});
        QVERIFY(dapctl.waitForFinished(15000));
        QCOMPARE(dapctl.exitCode(), 0);
        for (RpcClient *w : {&watcher, &lineWatcher}) {
            const auto changed = w->waitForNotification("changed");
            QVERIFY(changed);
            QCOMPARE(changed->value("params").toObject().value("value").toDouble(), -12.0);
        }
        // Once each: nothing more arrives while the value stays.
        QTest::qWait(700);
        QCOMPARE(countChanged(watcher.received()), 0);
        QCOMPARE(countChanged(lineWatcher.received()), 0);
        QCOMPARE(countChanged(setter.received()), 0);

        const auto left = watcher.call("unsubscribe", {{"processor", "127.0.0.2"}});
        QVERIFY(left && left->value("result").toObject().value("fields").toInt() == 0);
        QVERIFY(setter.call("set", with(gainOf(2), "value", 0)));
        QTest::qWait(500);
        QCOMPARE(countChanged(watcher.received()), 0);
        QVERIFY(lineWatcher.waitForNotification("changed"));
    }

    // A value the description refuses never reaches the processor.
    void refusedSetsSendNothing_data()
    {
        QTest::addColumn<QJsonObject>("params");
        QTest::addColumn<QString>("reason");
        const QJsonObject gain = gainOf(1);
        QTest::newRow("above the range") << with(gain, "value", 12.5) << "from -70 to 12";
        QTest::newRow("not a number") << with(gain, "value", "loud") << "must be a number";
        QTest::newRow("no channel 5") << with(gainOf(5), "value", 0) << "channel";
        QTest::newRow("unknown block")
            << with(with(gain, "block", "eq"), "value", 0) << "unknown block";
        QTest::newRow("unknown field")
            << with(with(gain, "field", "volume"), "value", 0) << "volume";
        QTest::newRow("only reported") << QJsonObject{{"processor", "127.0.0.2"},
                                                      {"block", "settings"},
                                                      {"channel", "-"},
                                                      {"field", "model"},
                                                      {"value", "X"}}
                                       << "only reported";
        QTest::newRow("lock state") << QJsonObject{{"processor", "127.0.0.2"},
                                                   {"block", "security"},
                                                   {"channel", 1},
                                                   {"field", "in-level"},
                                                   {"value", "hidden"}}
                                    << "security page";
        QTest::newRow("no value") << gain << "must be";
    }
    void refusedSetsSendNothing()
    {
        QFETCH(QJsonObject, params);
        QFETCH(QString, reason);
        RpcClient client;
        QVERIFY(client.connectLines(m_bridge->tcpPort()));
        const QJsonValue before = getValue(client, gainOf(1));
        QVERIFY(before.isDouble());
        const auto answer = client.call("set", params);
        QVERIFY(answer);
        QCOMPARE(errorCode(*answer), -32602);
        const QString message = answer->value("error").toObject().value("message").toString();
        QVERIFY2(message.contains(reason), qPrintable(message));
        QCOMPARE(getValue(client, gainOf(1)), before);
    }

    // A set of one field of a block set carries the others exactly as the processor has them.
    void blockSetKeepsTheOtherFields()
    {
        RpcClient client;
        QVERIFY(client.connectWebSocket(m_bridge->httpPort()));
        const QJsonObject gate{{"processor", "127.0.0.2"}, {"block", "gate"}, {"channel", 3}};
        QVERIFY(client.call("set", with(with(gate, "field", "threshold"), "value", -40)));
        QVERIFY(client.call("set", with(with(gate, "field", "attack"), "value", 300)));
        const auto enabled = client.call("set", with(with(gate, "field", "enable"), "value", true));
        QVERIFY(enabled && errorCode(*enabled) == 0);
        QCOMPARE(enabled->value("result").toObject().value("value").toBool(), true);
        QCOMPARE(getValue(client, with(gate, "field", "threshold")).toDouble(), -40.0);
        QCOMPARE(getValue(client, with(gate, "field", "attack")).toDouble(), 300.0);
        // Enumerations go by name.
        const QJsonObject waveform{{"processor", "127.0.0.2"},
                                   {"block", "generator"},
                                   {"channel", "-"},
                                   {"field", "waveform"}};
        const auto before = getValue(client, waveform);
        QVERIFY2(before.isString(), qPrintable(before.toVariant().toString()));
    }

    void describeListsTheBlocks()
    {
        RpcClient client;
        QVERIFY(client.connectLines(m_bridge->tcpPort()));
        const auto answer = client.call("describe");
        QVERIFY(answer);
        const QJsonArray blocks = answer->value("result").toObject().value("blocks").toArray();
        QStringList names;
        for (const QJsonValue &b : blocks)
            names << b.toObject().value("name").toString();
        for (const char *name : {"in-level", "gate", "mixer", "generator", "out-delay", "presets"})
            QVERIFY2(names.contains(name), name);
    }
};

QTEST_GUILESS_MAIN(TestBridgeFields)
#include "tst_bridgefields.moc"
