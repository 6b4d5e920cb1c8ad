// The bridge's configuration: what it takes and what it refuses, and JSON-RPC framing.
#include "bridgeconfig.h"
#include "jsonrpc.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace bridge;

namespace {

const char kToken[] = "monitor-token-0123456789";
const char kControl[] = "control-token-0123456789";

bool writeFile(const QString &path, const QByteArray &bytes, QFile::Permissions permissions)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        return false;
    f.close();
    return f.setPermissions(permissions);
}

constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;

} // namespace

class TestBridgeConfig : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void takesTheDocumentedKeys()
    {
        QString error;
        const auto c = parseConfig(R"({"listen": "0.0.0.0", "http_port": 9703, "tcp_port": 9704,
            "tokens": {"monitor": "monitor-token-0123456789", "control": "control-token-0123456789"},
            "meter_interval_s": 2, "all": true, "max_clients": 10,
            "processors": [{"address": "192.168.1.20", "password": "1234"},
                           {"machine_id": 4000000000}]})",
                                   {}, &error);
        QVERIFY2(c, qPrintable(error));
        QCOMPARE(c->listen, QHostAddress(QStringLiteral("0.0.0.0")));
        QCOMPARE(c->monitorToken, QByteArray(kToken));
        QCOMPARE(c->controlToken, QByteArray(kControl));
        QCOMPARE(c->meterIntervalS, 2.0);
        QVERIFY(c->all);
        QCOMPARE(c->maxClients, 10);
        QCOMPARE(c->processors.size(), 2);
        QCOMPARE(c->processors[0].address, 0xC0A80114u);
        QCOMPARE(c->processors[0].password, std::optional<QByteArray>("1234"));
        QCOMPARE(c->processors[1].machineId, 4000000000u);
        QVERIFY(!c->processors[1].password);

        // Left out: loopback, the documented ports, one second, 64 clients, no tokens.
        const auto d = parseConfig("{}", {}, &error);
        QVERIFY2(d, qPrintable(error));
        QVERIFY(d->listen.isLoopback());
        QCOMPARE(d->httpPort, 9703);
        QCOMPARE(d->tcpPort, 9704);
        QCOMPARE(d->maxClients, 64);
        QVERIFY(!d->tokensRequired());
    }

    void refusesWhatItCannotServeSafely_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not json") << QByteArray("{\"listen\": ") << "not valid JSON";
        QTest::newRow("unknown key")
            << QByteArray(R"({"listen_address": "127.0.0.1"})") << "unknown key \"listen_address\"";
        QTest::newRow("all interfaces without tokens")
            << QByteArray(R"({"listen": "0.0.0.0"})") << "needs tokens";
        QTest::newRow("lan address without tokens")
            << QByteArray(R"({"listen": "192.168.1.5"})") << "needs tokens";
        QTest::newRow("short token")
            << QByteArray(R"({"tokens": {"monitor": "abc"}})") << "tokens.monitor must be 16";
        QTest::newRow("token with a space")
            << QByteArray(R"({"tokens": {"control": "control token 0123456789"}})")
            << "tokens.control";
        QTest::newRow("same token twice")
            << QByteArray(R"({"tokens": {"monitor": "same-token-0123456789",
                                         "control": "same-token-0123456789"}})")
            << "must differ";
        QTest::newRow("unknown role")
            << QByteArray(R"({"tokens": {"admin": "x"}})") << "unknown key \"admin\"";
        QTest::newRow("port out of range") << QByteArray(R"({"http_port": 70000})") << "http_port";
        QTest::newRow("same ports")
            << QByteArray(R"({"http_port": 9000, "tcp_port": 9000})") << "must differ";
        QTest::newRow("interval too short")
            << QByteArray(R"({"meter_interval_s": 0.01})") << "meter_interval_s";
        QTest::newRow("too many clients")
            << QByteArray(R"({"max_clients": 100000})") << "max_clients";
        QTest::newRow("entry with both")
            << QByteArray(R"({"processors": [{"address": "10.0.0.2", "machine_id": 5}]})")
            << "either";
        QTest::newRow("broadcast address")
            << QByteArray(R"({"processors": [{"address": "255.255.255.255"}]})")
            << "not a processor address";
        QTest::newRow("fractional id")
            << QByteArray(R"({"processors": [{"machine_id": 1.5}]})") << "machine_id";
        QTest::newRow("long password")
            << QByteArray(R"({"processors": [{"address": "10.0.0.2", "password": "123456789"}]})")
            << "at most 8";
        QTest::newRow("non latin-1 password")
            << QByteArray(R"({"processors": [{"address": "10.0.0.2", "password": "\u4e2d"}]})")
            << "Latin-1";
        QTest::newRow("listed twice")
            << QByteArray(R"({"processors": [{"address": "10.0.0.2"}, {"address": "10.0.0.2"}]})")
            << "listed before";
    }
    void refusesWhatItCannotServeSafely()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, reason);
        QString error;
        QVERIFY(!parseConfig(json, {}, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
    }

    // Passwords and tokens live in the file: others may neither read nor change it.
    void refusesFilesOthersCanRead()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bridge.json"));
        const QByteArray json = R"({"processors": [{"address": "10.0.0.2", "password": "1234"}]})";
        QString error;
        for (const QFile::Permissions extra :
             {QFile::Permissions(QFile::ReadOther), QFile::Permissions(QFile::ReadGroup),
              QFile::Permissions(QFile::WriteOther)}) {
            QVERIFY(writeFile(path, json, kOwnerOnly | extra));
            error.clear();
            QVERIFY(!loadConfig(path, &error));
            QVERIFY2(error.contains(QLatin1String("chmod 600")), qPrintable(error));
        }
        QVERIFY(writeFile(path, json, kOwnerOnly));
        QVERIFY2(loadConfig(path, &error), qPrintable(error));

        // A token file beside it is held to the same rule, and read relative to the config.
        const QByteArray tokens = R"({"monitor": "monitor-token-0123456789"})";
        QVERIFY(writeFile(dir.filePath(QStringLiteral("tokens.json")), tokens,
                          kOwnerOnly | QFile::ReadOther));
        QVERIFY(writeFile(path, R"({"tokens_file": "tokens.json"})", kOwnerOnly));
        QVERIFY(!loadConfig(path, &error));
        QVERIFY2(error.contains(QLatin1String("tokens.json")), qPrintable(error));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("tokens.json")), tokens, kOwnerOnly));
        const auto c = loadConfig(path, &error);
        QVERIFY2(c, qPrintable(error));
        QCOMPARE(c->monitorToken, QByteArray(kToken));
        QVERIFY(c->tokensRequired());

        QVERIFY(!loadConfig(dir.filePath(QStringLiteral("missing.json")), &error));
        QVERIFY2(error.contains(QLatin1String("cannot read")), qPrintable(error));
    }

    void parsesJsonRpcMessages_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<int>("code"); // 0: a request
        QTest::addColumn<QJsonValue>("id");
        QTest::newRow("request") << QByteArray(R"({"jsonrpc":"2.0","id":7,"method":"processors"})")
                                 << 0 << QJsonValue(7);
        QTest::newRow("notification") << QByteArray(R"({"jsonrpc":"2.0","method":"processors"})")
                                      << 0 << QJsonValue(QJsonValue::Undefined);
        QTest::newRow("truncated") << QByteArray(R"({"jsonrpc":"2.0","id":1)")
                                   << int(rpc::ParseError) << QJsonValue(QJsonValue::Null);
        QTest::newRow("batch") << QByteArray(R"([{"jsonrpc":"2.0","id":1,"method":"x"}])")
                               << int(rpc::InvalidRequest) << QJsonValue(QJsonValue::Null);
        QTest::newRow("number") << QByteArray("42") << int(rpc::InvalidRequest)
                                << QJsonValue(QJsonValue::Null);
        QTest::newRow("version 1") << QByteArray(R"({"jsonrpc":"1.0","id":"a","method":"x"})")
                                   << int(rpc::InvalidRequest) << QJsonValue("a");
        QTest::newRow("object id") << QByteArray(R"({"jsonrpc":"2.0","id":{},"method":"x"})")
                                   << int(rpc::InvalidRequest) << QJsonValue(QJsonValue::Null);
        QTest::newRow("no method") << QByteArray(R"({"jsonrpc":"2.0","id":3})")
                                   << int(rpc::InvalidRequest) << QJsonValue(3);
        QTest::newRow("params list")
            << QByteArray(R"({"jsonrpc":"2.0","id":4,"method":"get","params":[1]})")
            << int(rpc::InvalidParams) << QJsonValue(4);
    }
    void parsesJsonRpcMessages()
    {
        QFETCH(QByteArray, message);
        QFETCH(int, code);
        QFETCH(QJsonValue, id);
        const auto parsed = rpc::parse(message);
        if (code == 0) {
            QVERIFY(std::holds_alternative<rpc::Request>(parsed));
            QCOMPARE(std::get<rpc::Request>(parsed).id, id);
            return;
        }
        QVERIFY(std::holds_alternative<rpc::Failure>(parsed));
        QCOMPARE(std::get<rpc::Failure>(parsed).code, code);
        QCOMPARE(std::get<rpc::Failure>(parsed).id, id);
        // The error answer carries the request's id, or null.
        const QJsonObject answer =
            QJsonDocument::fromJson(rpc::error(std::get<rpc::Failure>(parsed).id, code, "x"))
                .object();
        QCOMPARE(answer.value("id"), id);
        QCOMPARE(answer.value("error").toObject().value("code").toInt(), code);
    }
};

QTEST_GUILESS_MAIN(TestBridgeConfig)
#include "tst_bridgeconfig.moc"
