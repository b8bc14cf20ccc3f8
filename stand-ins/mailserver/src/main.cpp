// velor-mailserver: loads the seed, opens the listeners, announces the ports, serves until
// SIGTERM, and writes the state back.
#include <csignal>
#include <cstdio>
#include <string>
#include <fcntl.h>
#include <unistd.h>

#include "imap/session.h"
#include "ldap/directory_seed.h"
#include "ldap/session.h"
#include "net/server.h"
#include "net/tls.h"
#include "options.h"
#include "state/seed.h"
#include "wire_log.h"

using namespace velor::mailserver;

namespace {

int g_wakeWrite = -1;

void onStopSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const auto ignored = ::write(g_wakeWrite, &byte, 1);
}

// The stop signals only write a byte; the accept loop sees it and winds everything down.
int installStopSignals() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return -1;
  g_wakeWrite = fds[1];
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  return fds[0];
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  try {
    options = parseOptions(argc, argv);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "velor-mailserver: %s\n(--help shows the options)\n", e.what());
    return 2;
  }
  if (options.help) {
    std::fputs(usageText(), stdout);
    return 0;
  }

  MailState state;
  ImapSettings settings;
  ldap::Directory directory;
  ldap::LdapSettings ldapSettings;
  try {
    if (!options.seedPath.empty()) loadSeedFile(options.seedPath, state, settings);
    ldap::loadDirectorySeed(state, directory, ldapSettings);
  } catch (const SeedError& e) {
    std::fprintf(stderr, "velor-mailserver: %s\n", e.what());
    return 1;
  }
  if (options.greeting) settings.greeting = *options.greeting;
  if (options.noAcl) settings.aclCapability = false;
  if (options.capabilities) settings.capabilities = options.capabilities;
  if (options.aclOneLine) settings.aclOneLine = true;
  settings.faults.insert(settings.faults.end(), options.faults.begin(), options.faults.end());
  if (options.ldapAddMatched) ldapSettings.addMatched = *ldap::parseAddMatched(*options.ldapAddMatched);
  ldapSettings.controlPath = options.ldapControl;
  ldapSettings.faults.insert(ldapSettings.faults.end(), options.ldapFaults.begin(), options.ldapFaults.end());

  const int wakeRead = installStopSignals();
  if (wakeRead < 0) {
    std::perror("velor-mailserver: pipe");
    return 1;
  }
  WireLog wireLog;
  if (!options.wireLogPath.empty() && !wireLog.open(options.wireLogPath)) {
    std::fprintf(stderr, "velor-mailserver: cannot write %s\n", options.wireLogPath.c_str());
    return 1;
  }
  try {
    SslContext tls = makeServerTlsContext(options.certificatePath, options.keyPath);
    Server server(options.wireLogPath.empty() ? nullptr : &wireLog);
    auto imap = [&state, &settings](Connection& connection) { ImapSession(connection, state, settings).run(); };
    // Every listener joins the one PORTS line, so a test reads all ports at once.
    std::string ports = "PORTS";
    auto open = [&](const char* protocol, int port, SSL_CTX* context, SessionHandler session) {
      const auto bound = server.listen(protocol, static_cast<std::uint16_t>(port), context, std::move(session));
      ports += std::string(" ") + protocol + "=" + std::to_string(bound);
    };
    open("imap", options.imapPort, nullptr, imap);
    open("imaps", options.imapsPort, tls.get(), imap);
    open("ldap", options.ldapPort, nullptr, [&state, &directory, &ldapSettings](Connection& connection) {
      ldap::LdapSession(connection, state, directory, ldapSettings).run();
    });
    std::printf("%s\n", ports.c_str());
    std::fflush(stdout);
    server.run(wakeRead);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "velor-mailserver: %s\n", e.what());
    return 1;
  }

  if (!options.statePath.empty()) {
    try {
      std::scoped_lock lock(state.mutex, directory.mutex);
      ldap::storeDirectoryState(state, directory, ldapSettings);
      saveStateFile(options.statePath, state, settings);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "velor-mailserver: %s\n", e.what());
      return 1;
    }
  }
  return 0;
}
