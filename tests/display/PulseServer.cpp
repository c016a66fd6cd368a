#include "display/PulseServer.h"

#include <sys/prctl.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <QStandardPaths>
#include <QThread>

namespace testsupport {
namespace {

QProcessEnvironment ServerEnvironment(const std::string& dir)
{
    // Everything the server and its clients would look for in a session goes to the folder.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString d = QString::fromStdString(dir);
    for (const char* name : {"HOME", "XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH", "PULSE_STATE_PATH", "PULSE_CONFIG_PATH"})
        env.insert(name, d);
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    return env;
}

// A child that ends with this process, even when the process is killed.
void EndWithParent(QProcess& process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

} // namespace

PulseServer& PulseServer::Shared()
{
    static PulseServer* server = new PulseServer;
    return *server;
}

bool PulseServer::Installed() { return !QStandardPaths::findExecutable("pulseaudio").isEmpty(); }

PulseServer::PulseServer()
{
    const std::string socket = m_dir.File("native");
    {
        std::ofstream script(m_dir.File("server.pa"));
        script << "load-module module-null-sink sink_name=" << kSink << " rate=" << kRate << "\n"
               << "load-module module-native-protocol-unix auth-anonymous=1 socket=" << socket << "\n"
               << "set-default-sink " << kSink << "\n";
    }
    m_server.setProcessEnvironment(ServerEnvironment(m_dir.Path().string()));
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    EndWithParent(m_server);
    EndWithParent(m_recorder);
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
    std::ifstream in(m_dir.File("monitor.raw"), std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    std::copy_n(bytes.data(), samples.size() * 2, reinterpret_cast<char*>(samples.data()));
    return samples;
}

} // namespace testsupport
