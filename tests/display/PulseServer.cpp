#include "display/PulseServer.h"

#include <sys/prctl.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <QFile>
#include <QStandardPaths>
#include <QThread>

namespace testsupport {

PulseServer& PulseServer::Shared()
{
    static PulseServer* server = new PulseServer;
    return *server;
}

bool PulseServer::Installed() { return !QStandardPaths::findExecutable("pulseaudio").isEmpty(); }

PulseServer::PulseServer()
{
    const std::string socket = m_dir.File("native");
    std::ofstream(m_dir.File("server.pa")) << "load-module module-null-sink sink_name=" << kSink << " rate=" << kRate
                                           << "\nload-module module-native-protocol-unix auth-anonymous=1 socket="
                                           << socket << "\nset-default-sink " << kSink << "\n";
    // Everything the server and its clients would look for in a session goes to the folder.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"HOME", "XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH", "PULSE_STATE_PATH", "PULSE_CONFIG_PATH"})
        env.insert(name, QString::fromStdString(m_dir.Path().string()));
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    m_server.setProcessEnvironment(env);
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Children that end with this process, even when it is killed.
    for (QProcess* child : {&m_server, &m_recorder})
        child->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    // -n: no default script; the server stays in the foreground, never exits on its own and
    // works without shared memory or a session bus.
    m_server.start("pulseaudio", {"-n", "-F", QString::fromStdString(m_dir.File("server.pa")), "--daemonize=no",
                                  "--exit-idle-time=-1", "--use-pid-file=no", "--disable-shm=yes", "--log-level=error"});
    if (!m_server.waitForStarted(5000)) {
        m_error = "pulseaudio did not start";
        return;
    }
    ::setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    for (int i = 0; i < 100 && !Answers(); ++i)
        QThread::msleep(50);
    if (!Answers())
        m_error = "pulseaudio did not answer on " + socket;
}

bool PulseServer::Answers()
{
    if (m_server.state() != QProcess::Running)
        return false;
    QProcess info;
    info.start("pactl", {"info"});
    return info.waitForFinished(3000) && info.exitStatus() == QProcess::NormalExit && info.exitCode() == 0;
}

void PulseServer::StartRecording()
{
    m_recorder.setStandardOutputFile(QString::fromStdString(m_dir.File("monitor.raw")));
    m_recorder.start("parec", {"--raw", "--format=s16le", "--channels=1", "--rate=" + QString::number(kRate),
                               "--latency-msec=20", QString("--device=%1.monitor").arg(kSink)});
    m_recorder.waitForStarted(5000);
}

std::vector<int16_t> PulseServer::StopRecording()
{
    m_recorder.terminate();
    if (!m_recorder.waitForFinished(3000)) {
        m_recorder.kill();
        m_recorder.waitForFinished(3000);
    }
    QFile file(QString::fromStdString(m_dir.File("monitor.raw")));
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    std::vector<int16_t> samples(static_cast<size_t>(bytes.size()) / 2);
    std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    return samples;
}

} // namespace testsupport
