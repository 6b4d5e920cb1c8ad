// dapbridge's JSON-RPC over TCP lines and WebSocket, against simulated processors on loopback:
// what it answers, what it refuses, and that a bad client never costs the others.
#include "bridgeclient.h"
#include "support/frameclient.h"
#include "support/simprocess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>
#include <QUdpSocket>

#include <memory>

using testsupport::FrameClient;
using testsupport::SimProcess;

namespace {

const QByteArray kMonitor = "monitor-token-0123456789";
const QByteArray kControl = "control-token-0123456789";

QJsonObject baseConfig()
{
    return QJsonObject{
        {"announce_port", 9}, // nobody announces there: processors are named by address
        {"processors", QJsonArray{QJsonObject{{"address", "127.0.0.2"}, {"password", "1234"}},
                                  QJsonObject{{"address", "127.0.0.3"}, {"password", "4321"}}}}};
}

QJsonObject processorEntry(const QJsonArray &list, const QString &id)
{
    for (const QJsonValue &v : list) {
        if (v.toObject().value("id").toString() == id)
            return v.toObject();
    }
    return {};
}

// Waits until processors lists id with up equal to up; returns its entry.
QJsonObject waitForUp(RpcClient &client, const QString &id, bool up, int timeoutMs = 8000)
{
    QJsonObject entry;
    (void)QTest::qWaitFor(
        [&] {
            const auto answer = client.call("processors");
            entry = answer ? processorEntry(answer->value("result").toArray(), id) : QJsonObject();
            return entry.value("up").toBool() == up && !entry.isEmpty();
        },
        timeoutMs);
    return entry;
}

// The simulator's current preset slot (from 0; -1 for none), asked directly.
int currentSlot(FrameClient &sim)
{
    const auto list = sim.request(3, 32, 1);
    return list && list->payload.size() == 545 ? int(qint8(list->payload.at(0))) : -100;
}

} // namespace

class TestBridgeRpc : public QObject {
    Q_OBJECT

    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<BridgeProcess> m_bridge;

private Q_SLOTS:
    void initTestCase()
    {
        m_sim = std::make_unique<SimProcess>(
            QStringList{"--address", "127.0.0.2", "--count", "2", "--password", "1234"});
        QVERIFY2(m_sim->start(), qPrintable(m_sim->errorText()));
        m_bridge = std::make_unique<BridgeProcess>(baseConfig());
        QVERIFY2(m_bridge->start(), qPrintable(m_bridge->errorText()));
    }

    void processorsSaysWhoIsUpAndWhy()
    {
        RpcClient client;
        QVERIFY(client.connectLines(m_bridge->tcpPort()));
        const QJsonObject up = waitForUp(client, "127.0.0.2", true);
        QCOMPARE(up.value("address").toString(), QString("127.0.0.2"));
        QCOMPARE(up.value("model").toString(), QString("DAP408"));
        QVERIFY2(up.value("arm").toString().startsWith("V1."),
                 qPrintable(up.value("arm").toString()));
        QVERIFY(up.value("dsp").toString().startsWith("V"));
        QVERIFY(up.value("last_heard_s").toDouble(-1) >= 0);

        // A wrong password: down, with the reason, and the bridge keeps trying.
        const QJsonObject down = waitForUp(client, "127.0.0.3", false);
        QVERIFY2(down.value("reason").toString().contains("wrong password"),
                 qPrintable(down.value("reason").toString()));
        QTRY_VERIFY_WITH_TIMEOUT(m_bridge->output().contains("login refused"), 5000);
        // Passwords are never printed or returned.
        QVERIFY(!m_bridge->output().contains("1234") && !m_bridge->output().contains("4321"));
        const auto metrics = httpGet(m_bridge->httpPort(), "/metrics");
        QCOMPARE(metrics.first, 200);
        QVERIFY(!metrics.second.contains("1234"));
        QVERIFY(metrics.second.contains("dap_up{id=\"127.0.0.2\",address=\"127.0.0.2\"} 1"));
        QVERIFY(metrics.second.contains("dap_up{id=\"127.0.0.3\",address=\"127.0.0.3\"} 0"));
    }

    // Named by machine id, a processor is found by its announcements; with "all" every one
    // heard is served, and one that wants a password nobody gave says so.
    void processorsFoundByTheirAnnouncements()
    {
        QUdpSocket probe;
        QVERIFY(probe.bind(QHostAddress::LocalHost, 0));
        const quint16 port = probe.localPort();
        probe.close();
        SimProcess sims({"--address", "127.0.0.5", "--count", "2", "--machine-id", "7000",
                         "--password", "1234", "--announce",
                         QStringLiteral("127.0.0.1:%1").arg(port)});
        QVERIFY2(sims.start(), qPrintable(sims.errorText()));
        BridgeProcess bridge(QJsonObject{
            {"announce_port", port},
            {"all", true},
            {"processors", QJsonArray{QJsonObject{{"machine_id", 7000}, {"password", "1234"}}}}});
        QVERIFY2(bridge.start(), qPrintable(bridge.errorText()));
        RpcClient client;
        QVERIFY(client.connectLines(bridge.tcpPort()));
        const QJsonObject named = waitForUp(client, "7000", true);
        QCOMPARE(named.value("address").toString(), QString("127.0.0.5"));
        QCOMPARE(named.value("machine_id").toInt(), 7000);
        QJsonObject heard;
        QVERIFY(QTest::qWaitFor(
            [&] {
                heard =
                    processorEntry(client.call("processors")->value("result").toArray(), "7001");
                return heard.value("reason").toString().contains("none is configured");
            },
            8000));
        QCOMPARE(heard.value("address").toString(), QString("127.0.0.6"));
        QCOMPARE(heard.value("up").toBool(), false);
        // A processor may be named by its machine id as a number too.
        const auto byNumber = client.call("resume", {{"processor", 7000}});
        QVERIFY(byNumber && errorCode(*byNumber) == 0);
    }

    // Malformed, oversized and mistaken requests get their JSON-RPC error; the client stays.
    void badRequestsKeepTheConnection()
    {
        RpcClient lines;
        QVERIFY(lines.connectLines(m_bridge->tcpPort()));
        const struct {
            QByteArray message;
            int code;
        } cases[] = {
            {"{\"jsonrpc\": \"2.0\", \"id\": 1, \"method\": ", -32700},
            {"[]", -32600},
            {R"({"jsonrpc":"2.0","id":1,"method":"firmware.upgrade"})", -32601},
            {R"({"jsonrpc":"2.0","id":1,"method":"preset.recall",
                 "params":{"processor":"127.0.0.2","slot":33}})",
             -32602},
            {R"({"jsonrpc":"2.0","id":1,"method":"release",
                 "params":{"processor":"10.1.1.1","seconds":5}})",
             -32602},
            {R"({"jsonrpc":"2.0","id":1,"method":"processors","params":{"all":true}})", -32602},
            {R"({"jsonrpc":"2.0","id":1,"method":"preset.recall",
                 "params":{"processor":"127.0.0.3","slot":1}})",
             -32002},
        };
        for (const auto &c : cases) {
            lines.sendRaw(QByteArray(c.message).replace('\n', ' '));
            const auto answer = c.code == -32700 || c.code == -32600
                                    ? lines.waitForId(QJsonValue::Null)
                                    : lines.waitForId(1);
            QVERIFY2(answer, c.message.constData());
            QCOMPARE(errorCode(*answer), c.code);
        }
        // One megabyte in one line: one error, the rest of the line skipped, the client kept.
        lines.sendRaw("{\"jsonrpc\":\"2.0\",\"id\":9,\"method\":\"" + QByteArray(1 << 20, 'x') +
                      "\"}");
        const auto tooLarge = lines.waitForId(QJsonValue::Null);
        QVERIFY(tooLarge);
        QCOMPARE(errorCode(*tooLarge), -32600);
        const auto after = lines.call("processors");
        QVERIFY(after && after->value("result").isArray());
        QVERIFY(lines.received().isEmpty());

        RpcClient ws;
        RpcClient other;
        QVERIFY(ws.connectWebSocket(m_bridge->httpPort()));
        QVERIFY(other.connectWebSocket(m_bridge->httpPort()));
        ws.sendRaw("{nope");
        const auto parse = ws.waitForId(QJsonValue::Null);
        QVERIFY(parse);
        QCOMPARE(errorCode(*parse), -32700);
        QVERIFY(ws.call("processors"));
        // Over the cap on a WebSocket the message is refused by closing that client only.
        ws.sendRaw(QByteArray(1 << 20, ' ') + "{}");
        QVERIFY(ws.waitClosed());
        const auto still = other.call("processors");
        QVERIFY(still && still->value("result").isArray());

        // The WebSocket lives at /ws only.
        RpcClient elsewhere;
        elsewhere.connectWebSocket(m_bridge->httpPort(), "/metrics");
        QVERIFY(elsewhere.waitClosed());
    }

    void clientCapKeepsTheOthers()
    {
        QJsonObject config = baseConfig();
        config.insert("max_clients", 64);
        BridgeProcess bridge(config);
        QVERIFY2(bridge.start(), qPrintable(bridge.errorText()));
        std::vector<std::unique_ptr<RpcClient>> clients;
        for (int i = 0; i < 200; ++i) {
            clients.push_back(std::make_unique<RpcClient>());
            // A quarter over WebSocket; one over the cap may be closed before it is seen open.
            if (i % 4 == 3)
                clients.back()->openWebSocket(bridge.httpPort());
            else
                QVERIFY(clients.back()->connectLines(bridge.tcpPort()));
        }
        // Those over the cap are told so and closed; the rest stay open.
        int open = 0;
        int toldFull = 0;
        const auto count = [&] {
            open = toldFull = 0;
            for (auto &c : clients) {
                const bool full =
                    std::any_of(c->received().begin(), c->received().end(),
                                [](const QJsonObject &m) { return errorCode(m) == -32003; });
                toldFull += full ? 1 : 0;
                open += c->isOpen() && !full ? 1 : 0;
            }
            return open + toldFull == 200 && open <= 64;
        };
        QVERIFY(QTest::qWaitFor(count, 10000));
        QTest::qWait(200);
        count();
        QCOMPARE(open, 64);
        QCOMPARE(toldFull, 136);
        const auto served = clients.front()->call("processors");
        QVERIFY(served && served->value("result").isArray());
        // A place freed is taken again.
        clients.front().reset();
        QTest::qWait(200);
        RpcClient late;
        QVERIFY(late.connectLines(bridge.tcpPort()));
        const auto answer = late.call("processors");
        QVERIFY(answer && answer->value("result").isArray());
    }

    void presetRecall()
    {
        FrameClient sim;
        QVERIFY(sim.connectTo(QHostAddress("127.0.0.2")));
        sim.send(2, 1, 1, 1, "1234");
        QVERIFY(sim.waitForReport(2, 1, 1));
        sim.send(3, 32, 2, 1, QByteArray(1, 2)); // store into slot 3
        QTRY_COMPARE(currentSlot(sim) >= -1, true);

        RpcClient client;
        QVERIFY(client.connectWebSocket(m_bridge->httpPort()));
        waitForUp(client, "127.0.0.2", true);
        sim.send(3, 32, 4, 1, QByteArray(1, 29)); // slot 30 empty
        const auto empty = client.call("preset.recall", {{"processor", "127.0.0.2"}, {"slot", 30}});
        QVERIFY(empty);
        QCOMPARE(errorCode(*empty), -32602);
        const auto recalled =
            client.call("preset.recall", {{"processor", "127.0.0.2"}, {"slot", 3}}, 15000);
        QVERIFY(recalled);
        QCOMPARE(errorCode(*recalled), 0);
        QCOMPARE(recalled->value("result").toObject().value("slot").toInt(), 3);
        QCOMPARE(currentSlot(sim), 2);
    }

    void releaseAndResume()
    {
        RpcClient client;
        QVERIFY(client.connectLines(m_bridge->tcpPort()));
        waitForUp(client, "127.0.0.2", true);
        const auto released =
            client.call("release", {{"processor", "127.0.0.2"}, {"seconds", 600}});
        QVERIFY(released);
        QCOMPARE(released->value("result").toObject().value("state").toString(),
                 QString("released"));
        const QJsonObject entry = waitForUp(client, "127.0.0.2", false, 1000);
        QCOMPARE(entry.value("state").toString(), QString("released"));
        QTest::qWait(1500); // it stays away past its usual retry
        QCOMPARE(waitForUp(client, "127.0.0.2", false, 100).value("state").toString(),
                 QString("released"));
        const auto resumed = client.call("resume", {{"processor", "127.0.0.2"}});
        QVERIFY(resumed && errorCode(*resumed) == 0);
        QVERIFY(waitForUp(client, "127.0.0.2", true).value("up").toBool());
    }

    // Tokens are required wherever they are configured: nothing runs on a refused call.
    void tokensGateEveryCall()
    {
        QJsonObject config = baseConfig();
        config.insert("tokens",
                      QJsonObject{{"monitor", QString(kMonitor)}, {"control", QString(kControl)}});
        BridgeProcess bridge(config);
        QVERIFY2(bridge.start(), qPrintable(bridge.errorText()));

        RpcClient anonymous;
        QVERIFY(anonymous.connectLines(bridge.tcpPort()));
        for (const char *method : {"processors", "release", "preset.recall"}) {
            const auto refused =
                anonymous.call(method, {{"processor", "127.0.0.2"}, {"seconds", 60}});
            QVERIFY(refused);
            QCOMPARE(errorCode(*refused), -32001);
        }

        RpcClient wrong;
        QVERIFY(wrong.connectWebSocket(bridge.httpPort()));
        const auto bad = wrong.call("auth", {{"token", "not-the-token-0123456789"}});
        QVERIFY(bad);
        QCOMPARE(errorCode(*bad), -32001);
        QCOMPARE(errorCode(*wrong.call("processors")), -32001);

        RpcClient monitor;
        QVERIFY(monitor.connectWebSocket(bridge.httpPort()));
        const auto role = monitor.call("auth", {{"token", QString(kMonitor)}});
        QVERIFY(role);
        QCOMPARE(role->value("result").toObject().value("role").toString(), QString("monitor"));
        waitForUp(monitor, "127.0.0.2", true);
        FrameClient sim;
        QVERIFY(sim.connectTo(QHostAddress("127.0.0.2")));
        sim.send(2, 1, 1, 1, "1234");
        QVERIFY(sim.waitForReport(2, 1, 1));
        sim.send(3, 32, 2, 1, QByteArray(1, 4)); // a preset in slot 5
        const int before = currentSlot(sim);
        const auto gainBefore = sim.request(3, 1, 3, QByteArray(1, 0));
        QVERIFY(gainBefore);
        for (const char *method : {"release", "preset.recall", "set"}) {
            const auto refused = monitor.call(method, {{"processor", "127.0.0.2"},
                                                       {"seconds", 60},
                                                       {"slot", 5},
                                                       {"block", "in-level"},
                                                       {"channel", 1},
                                                       {"field", "gain"},
                                                       {"value", -20}});
            QVERIFY(refused);
            QCOMPARE(errorCode(*refused), -32001);
        }
        QTest::qWait(300);
        QCOMPARE(currentSlot(sim), before);
        QCOMPARE(sim.request(3, 1, 3, QByteArray(1, 0))->payload, gainBefore->payload);
        QVERIFY(waitForUp(monitor, "127.0.0.2", true, 100).value("up").toBool());

        RpcClient control;
        QVERIFY(control.connectLines(bridge.tcpPort()));
        QCOMPARE(control.call("auth", {{"token", QString(kControl)}})
                     ->value("result")
                     .toObject()
                     .value("role")
                     .toString(),
                 QString("control"));
        const auto recalled =
            control.call("preset.recall", {{"processor", "127.0.0.2"}, {"slot", 5}}, 15000);
        QVERIFY(recalled && errorCode(*recalled) == 0);
        QCOMPARE(currentSlot(sim), 4);

        // The metrics want a bearer token of either role.
        QCOMPARE(httpGet(bridge.httpPort(), "/metrics").first, 401);
        QCOMPARE(httpGet(bridge.httpPort(), "/metrics", "wrong-token-0123456789").first, 401);
        const auto metrics = httpGet(bridge.httpPort(), "/metrics", kMonitor);
        QCOMPARE(metrics.first, 200);
        QVERIFY(metrics.second.contains("# TYPE dap_up gauge"));
    }
};

QTEST_GUILESS_MAIN(TestBridgeRpc)
#include "tst_bridgerpc.moc"
