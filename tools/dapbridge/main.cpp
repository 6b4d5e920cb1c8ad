// dapbridge: control systems and monitoring reach the processors through JSON-RPC and
// Prometheus metrics; headless, Qt Core, Network, WebSockets and HttpServer only.
#include "bridgeconfig.h"
#include "bridgeserver.h"
#include "fleet.h"
#include "logging.h"
#include "rpcservice.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

const char kHelp[] = R"(Usage: dapbridge --config FILE [--all]

Serves the processors named in FILE (or, with --all or "all": true, every processor that
announces itself) to control systems and monitoring:
  HTTP    GET /metrics (Prometheus text format) and the WebSocket /ws (JSON-RPC 2.0)
  TCP     JSON-RPC 2.0, one message per line
FILE is JSON and must be readable by its owner only (chmod 600): it holds passwords and tokens.
See the README ("dapbridge") for its keys, the methods and the metrics.

Options:
  --config FILE   the configuration (required)
  --all           also serve every processor heard on the network
  -h, --help      this help
)";

void quit(int)
{
    QCoreApplication::quit();
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef __GLIBC__
    // A scrape of many processors builds megabytes at once; blocks that large go straight
    // back to the system afterwards instead of staying in the heap for good.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dapbridge"));
    qSetMessagePattern(QStringLiteral("dapbridge: %{if-warning}warning: %{endif}%{message}"));

    QString configPath;
    bool all = false;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (a == QLatin1String("--all")) {
            all = true;
        } else if (a == QLatin1String("--config") && i + 1 < args.size()) {
            configPath = args.at(++i);
        } else {
            std::fprintf(stderr, "dapbridge: unexpected argument %s\n%s", qPrintable(a), kHelp);
            return 2;
        }
    }
    if (configPath.isEmpty()) {
        std::fprintf(stderr, "dapbridge: --config FILE is required\n%s", kHelp);
        return 2;
    }
    QString error;
    std::optional<bridge::BridgeConfig> config = bridge::loadConfig(configPath, &error);
    if (!config) {
        std::fprintf(stderr, "dapbridge: %s\n", qPrintable(error));
        return 2;
    }
    config->all = config->all || all;

    bridge::Fleet fleet(*config);
    bridge::RpcService service(fleet, *config);
    bridge::BridgeServer server(*config, fleet, service);
    if (!server.listen(&error)) {
        std::fprintf(stderr, "dapbridge: %s\n", qPrintable(error));
        return 1;
    }
    QString warning;
    fleet.start(&warning);
    if (!warning.isEmpty())
        qCWarning(lcBridge).noquote() << warning;
    const QString host = config->listen.toString();
    qCInfo(lcBridge).noquote()
        << QStringLiteral("http on %1:%2 (/metrics, /ws)").arg(host).arg(server.httpPort());
    qCInfo(lcBridge).noquote()
        << QStringLiteral("json-rpc lines on %1:%2").arg(host).arg(server.tcpPort());
    qCInfo(lcBridge).noquote() << QStringLiteral("serving %1 processor(s)%2")
                                      .arg(fleet.links().size())
                                      .arg(config->all ? QStringLiteral(" and every one heard")
                                                       : QString());
    // Stopped by the service manager: leave through the event loop, sockets closed.
    std::signal(SIGTERM, quit);
    std::signal(SIGINT, quit);
    return QCoreApplication::exec();
}
