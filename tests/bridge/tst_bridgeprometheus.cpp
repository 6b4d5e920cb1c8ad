// A real Prometheus server scrapes dapbridge serving three simulated processors: the up series
// follow a processor that dies and comes back.
#include "bridgeclient.h"
#include "support/simprocess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTest>
#include <QUrlQuery>

#include <csignal>
#include <memory>
#include <sys/prctl.h>

using testsupport::SimProcess;

namespace {

const QStringList kAddresses{"127.0.0.2", "127.0.0.3", "127.0.0.4"};

quint16 freeTcpPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

std::unique_ptr<SimProcess> startSim(const QString &address)
{
    auto sim =
        std::make_unique<SimProcess>(QStringList{"--address", address, "--password", "1234"});
    return sim->start() ? std::move(sim) : nullptr;
}

} // namespace

class TestBridgePrometheus : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_prometheus;
    quint16 m_prometheusPort = 0;

    // dap_up by id, as Prometheus has it now.
    QMap<QString, QString> upSeries()
    {
        QUrlQuery q;
        q.addQueryItem("query", "dap_up");
        const auto [status, body] = httpGet(m_prometheusPort, "/api/v1/query?" + q.toString());
        QMap<QString, QString> up;
        if (status != 200)
            return up;
        const QJsonArray result = QJsonDocument::fromJson(body)
                                      .object()
                                      .value("data")
                                      .toObject()
                                      .value("result")
                                      .toArray();
        for (const QJsonValue &series : result) {
            const QJsonObject o = series.toObject();
            up.insert(o.value("metric").toObject().value("id").toString(),
                      o.value("value").toArray().at(1).toString());
        }
        return up;
    }

    bool allUp(const QMap<QString, QString> &up)
    {
        return up.size() == 3 &&
               std::all_of(up.begin(), up.end(), [](const QString &v) { return v == "1"; });
    }

private Q_SLOTS:
    void upFollowsAProcessorThatDiesAndComesBack()
    {
        const QString prometheus = QStandardPaths::findExecutable("prometheus");
        QVERIFY2(!prometheus.isEmpty(),
                 "prometheus is not installed (scripts/install-deps.sh installs it)");
        std::vector<std::unique_ptr<SimProcess>> sims;
        QJsonArray processors;
        for (const QString &a : kAddresses) {
            sims.push_back(startSim(a));
            QVERIFY2(sims.back(), qPrintable(a));
            processors.append(QJsonObject{{"address", a}, {"password", "1234"}});
        }
        BridgeProcess bridge(QJsonObject{{"announce_port", 9}, {"processors", processors}});
        QVERIFY2(bridge.start(), qPrintable(bridge.errorText()));

        m_prometheusPort = freeTcpPort();
        QFile config(m_dir.filePath("prometheus.yml"));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral("global:\n"
                                    "  scrape_interval: 1s\n"
                                    "  scrape_timeout: 1s\n"
                                    "scrape_configs:\n"
                                    "  - job_name: dapbridge\n"
                                    "    static_configs:\n"
                                    "      - targets: ['127.0.0.1:%1']\n")
                         .arg(bridge.httpPort())
                         .toUtf8());
        config.close();
        m_prometheus.setProcessChannelMode(QProcess::MergedChannels);
        m_prometheus.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_prometheus.start(
            prometheus,
            {"--config.file=" + config.fileName(), "--storage.tsdb.path=" + m_dir.filePath("data"),
             QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(m_prometheusPort),
             "--log.level=warn"});
        QVERIFY(m_prometheus.waitForStarted());

        QMap<QString, QString> up;
        QVERIFY2(QTest::qWaitFor([&] { return allUp(up = upSeries()); }, 30000),
                 qPrintable(QStringLiteral("up series: %1 values; prometheus said: %2")
                                .arg(up.size())
                                .arg(QString::fromLocal8Bit(m_prometheus.readAll()))));

        // One processor dies: its series reads 0 within 5 s, the others stay at 1.
        sims[1]->process().kill();
        QVERIFY(sims[1]->process().waitForFinished(3000));
        QVERIFY2(QTest::qWaitFor([&] { return (up = upSeries()).value("127.0.0.3") == "0"; }, 5000),
                 qPrintable(up.value("127.0.0.3")));
        QCOMPARE(up.value("127.0.0.2"), QString("1"));
        QCOMPARE(up.value("127.0.0.4"), QString("1"));

        // Back again: the bridge reconnects by itself and the series returns to 1.
        sims[1] = startSim("127.0.0.3");
        QVERIFY(sims[1]);
        QVERIFY2(QTest::qWaitFor([&] { return allUp(up = upSeries()); }, 40000),
                 qPrintable(bridge.output()));

        // The scrape found every documented metric well-formed.
        const auto [status, body] =
            httpGet(m_prometheusPort,
                    "/api/v1/query?query=count(%7B__name__%3D~%22dap_.*%22%7D)%20by%20(__name__)");
        QCOMPARE(status, 200);
        for (const char *name :
             {"dap_up", "dap_last_heard_seconds", "dap_dsp_load_percent", "dap_fault",
              "dap_level_dbu", "dap_gain_reduction_db", "dap_gate_open",
              "dap_connect_attempts_total", "dap_connect_failures_total", "dap_info"})
            QVERIFY2(body.contains(QByteArray("\"") + name + "\""), name);
        m_prometheus.terminate();
        m_prometheus.waitForFinished(5000);
    }
};

QTEST_GUILESS_MAIN(TestBridgePrometheus)
#include "tst_bridgeprometheus.moc"
