#include "options.h"

#include <cstring>

namespace velor::mailserver {
namespace {

int portNumber(const std::string& option, const std::string& value) {
  std::size_t used = 0;
  int port = -1;
  try {
    port = std::stoi(value, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != value.size() || port < 0 || port > 65535) throw UsageError(option + ": not a port number: " + value);
  return port;
}

}  // namespace

const char* usageText() {
  return R"(Usage: velor-mailserver [options]

A stand-in for the Velor MailServer (IMAP and the LDAP contact directory), for tests and
demos. Listens on 127.0.0.1 only and prints the ports it bound as one line on standard output:
    PORTS imap=<port> imaps=<port> ldap=<port>
SIGTERM (or SIGINT) stops it; with --state it then writes the state it ends with.

  --seed FILE          JSON seed: users, folders, messages, ACLs, mappings, scripts, contact
                       folders and contacts, and optional "imap" and "ldap" blocks with the
                       settings below (see README.md)
  --state FILE         write the resulting state (same format as the seed) on SIGTERM
  --imap-port N        plain IMAP port (default 0: any free port)
  --imaps-port N       implicit-TLS IMAP port (default 0: any free port)
  --ldap-port N        LDAP port (default 0: any free port)
  --cert FILE          PEM certificate for the TLS port (default: self-signed, made at start)
  --key FILE           PEM private key (default: from --cert's file)
  --wire-log FILE      log every byte received and sent, per connection, escaped
  --greeting KIND      greet with OK (default), NO, BAD or BYE; anything but OK ends the
                       connection after the greeting
  --no-acl             leave ACL out of the CAPABILITY list
  --capabilities TEXT  send exactly TEXT as the capability list
  --acl-one-line       answer GETACL with all pairs on one ACL line (RFC 2086 style)
  --fault RULE         inject a fault; may be repeated. RULE is comma-separated key=value:
                         delay=MS          wait MS milliseconds before the reply
                         split=N+N+...     cut the reply at these byte offsets, sending the
                                           pieces pause=MS (default 150) apart
                         alert=TEXT        send "* OK [ALERT] TEXT" while the command is
                                           pending: first (at=start, default) or just before
                                           the tagged line (at=end), pause=MS apart from the
                                           rest of the reply; TEXT without commas
                         drop[=N]          send only N bytes of the reply (default: half),
                                           then drop the connection
                         reply=BYTES       answer the command (on= needed) with BYTES instead
                                           of running it: \r \n \\ \xHH escapes, \x2C for a
                                           comma, $TAG for the command's tag
                         status=KIND       answer the command (on= needed) with a tagged NO,
                                           BAD or BYE instead of running it; BYE also ends
                                           the connection
                       and to choose what it hits:
                         on=NAME           GREETING or a command name (default: every reply;
                                           alerts never hit the greeting unless named)
                         conn=N            only the N-th connection accepted (from 1)
                       e.g. --fault delay=35000,on=STORE  --fault split=5+17,on=LSUB
  --ldap-fault RULE    a fault of the LDAP side; may be repeated. The same keys as --fault
                       but alert, with on=BIND, SEARCH, ADD, MODIFY or DELETE. A delay holds
                       the operation back before it runs (an abandon in the meantime cancels
                       it); drop and split cut its whole reply.
                       e.g. --ldap-fault delay=5000,on=MODIFY  --ldap-fault drop=0,on=SEARCH
  --ldap-add-matched MODE
                       the matched DN of the answer to an add addressed to a folder: entry
                       (the new entry, default), none, folder (the folder's own DN), or uid
                       (the new entry is named uid=<id> instead of cn=<id>)
  --ldap-control FILE  changes a test makes while the server runs: before each LDAP
                       operation, when FILE exists, each line "revId USER DN VALUE" sets
                       that contact's revId (USER: whose private tree the DN is in), and
                       the file is removed. Write it elsewhere and rename it into place.
  --help               show this text
)";
}

Options parseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    std::optional<std::string> inlineValue;
    if (const auto eq = option.find('='); option.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = option.substr(eq + 1);
      option.resize(eq);
    }
    auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= argc) throw UsageError(option + " needs a value");
      return argv[++i];
    };
    auto noValue = [&] {
      if (inlineValue) throw UsageError(option + " takes no value");
    };
    if (option == "--help" || option == "-h") noValue(), o.help = true;
    else if (option == "--seed") o.seedPath = value();
    else if (option == "--state") o.statePath = value();
    else if (option == "--wire-log") o.wireLogPath = value();
    else if (option == "--cert") o.certificatePath = value();
    else if (option == "--key") o.keyPath = value();
    else if (option == "--imap-port") o.imapPort = portNumber(option, value());
    else if (option == "--imaps-port") o.imapsPort = portNumber(option, value());
    else if (option == "--ldap-port") o.ldapPort = portNumber(option, value());
    else if (option == "--ldap-add-matched") {
      o.ldapAddMatched = value();
      if (*o.ldapAddMatched != "entry" && *o.ldapAddMatched != "none" && *o.ldapAddMatched != "folder" &&
          *o.ldapAddMatched != "uid")
        throw UsageError("--ldap-add-matched: entry, none, folder or uid");
    } else if (option == "--ldap-control") {
      o.ldapControl = value();
    } else if (option == "--ldap-fault") {
      try {
        o.ldapFaults.push_back(parseFaultRule(value()));
      } catch (const std::invalid_argument& e) {
        throw UsageError(e.what());
      }
      const auto kind = o.ldapFaults.back().kind;
      if (kind == FaultRule::Kind::Alert || kind == FaultRule::Kind::Reply || kind == FaultRule::Kind::Status)
        throw UsageError("--ldap-fault: alerts, replies and statuses are IMAP's");
    }
    else if (option == "--no-acl") noValue(), o.noAcl = true;
    else if (option == "--acl-one-line") noValue(), o.aclOneLine = true;
    else if (option == "--capabilities") o.capabilities = value();
    else if (option == "--greeting") {
      o.greeting = value();
      if (*o.greeting != "OK" && *o.greeting != "NO" && *o.greeting != "BAD" && *o.greeting != "BYE")
        throw UsageError("--greeting: OK, NO, BAD or BYE");
    } else if (option == "--fault") {
      try {
        o.faults.push_back(parseFaultRule(value()));
      } catch (const std::invalid_argument& e) {
        throw UsageError(e.what());
      }
    } else {
      throw UsageError("unknown option " + option);
    }
  }
  return o;
}

}  // namespace velor::mailserver
