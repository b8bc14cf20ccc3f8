#include "ldap/session.h"

#include <ldap.h>

#include "ldap/message_reader.h"
#include "ldap/request_decoder.h"
#include "ldap/response_encoder.h"

namespace velor::mailserver::ldap {
namespace {

// The response tag that answers a request; 0 for one that has no response.
ber_tag_t responseTag(ber_tag_t requestTag) {
  switch (requestTag) {
    case LDAP_REQ_BIND: return LDAP_RES_BIND;
    case LDAP_REQ_SEARCH: return LDAP_RES_SEARCH_RESULT;
    case LDAP_REQ_MODIFY: return LDAP_RES_MODIFY;
    case LDAP_REQ_ADD: return LDAP_RES_ADD;
    case LDAP_REQ_DELETE: return LDAP_RES_DELETE;
    case LDAP_REQ_MODDN: return LDAP_RES_MODDN;
    case LDAP_REQ_COMPARE: return LDAP_RES_COMPARE;
    case LDAP_REQ_EXTENDED: return LDAP_RES_EXTENDED;
    default: return 0;
  }
}

}  // namespace

LdapSession::~LdapSession() { endWorkers(); }

void LdapSession::run() {
  MessageReader reader(connection_);
  for (;;) {
    BerMessage message = reader.next();
    if (!message) break;
    const auto received = Clock::now();
    const auto request = decodeRequest(message.get());
    if (!request) {
      std::string notice;
      appendNoticeOfDisconnection(notice, LDAP_PROTOCOL_ERROR, "cannot read the request");
      deliver("", notice);
      break;
    }
    if (!dispatch(*request, received)) break;
  }
  endWorkers();
  if (dropRequested_) connection_.drop();
}

bool LdapSession::dispatch(const Request& request, Clock::time_point received) {
  switch (request.kind) {
    case Request::Kind::Unbind:
      return false;
    case Request::Kind::Abandon: {
      std::lock_guard<std::mutex> lock(mutex_);
      abandoned_.insert(request.abandonId);
      wake_.notify_all();
      return true;
    }
    case Request::Kind::Bind:
      return bind(request);
    case Request::Kind::Unsupported: {
      const ber_tag_t tag = responseTag(request.tag);
      std::string reply;
      if (!tag) {
        appendNoticeOfDisconnection(reply, LDAP_PROTOCOL_ERROR, "unknown operation");
        deliver("", reply);
        return false;
      }
      const bool extended = tag == LDAP_RES_EXTENDED;
      appendResult(reply, request.messageId, tag, extended ? LDAP_PROTOCOL_ERROR : LDAP_UNWILLING_TO_PERFORM, "",
                   "not offered by this server");
      return deliver("OTHER", reply);
    }
    default:
      break;
  }
  const std::string name = operationName(request.kind);
  if (!settings_.controlPath.empty()) {
    std::lock_guard<std::mutex> lock(directory_.mutex);
    applyControlFile(settings_.controlPath, directory_);
  }
  if (user_.empty()) {
    std::string reply;
    appendResult(reply, request.messageId, responseTag(request.tag), LDAP_INSUFFICIENT_ACCESS, "", "bind first");
    return deliver(name, reply);
  }
  if (const auto forced = takeResultFault(settings_, name)) {
    std::string reply;
    // A wrong type: a delete's response to a search, and a search result to anything else.
    const ber_tag_t expected = responseTag(request.tag);
    const ber_tag_t tag = !forced->wrongType ? expected
                          : expected == LDAP_RES_SEARCH_RESULT ? LDAP_RES_DELETE : LDAP_RES_SEARCH_RESULT;
    appendResult(reply, request.messageId, tag, forced->code, "", "forced by the test");
    return deliver(name, reply);
  }
  const int delayMs = faultDelay(settings_.faults, name, connection_.id());
  if (delayMs <= 0) {
    perform(request, user_, 0, received);
    return !connection_.stopping();
  }
  workers_.emplace_back([this, request, user = user_, delayMs, received] { perform(request, user, delayMs, received); });
  return true;
}

bool LdapSession::bind(const Request& request) {
  const int delayMs = faultDelay(settings_.faults, "BIND", connection_.id());
  if (delayMs > 0 && !connection_.pause(delayMs)) return false;
  BindOutcome outcome;
  {
    std::lock_guard<std::mutex> lock(state_.mutex);
    outcome = runBind(state_, request.bind);
  }
  // A failed bind leaves the connection anonymous, as after no bind at all.
  user_ = outcome.user;
  std::string reply;
  appendResult(reply, request.messageId, LDAP_RES_BIND, outcome.code, "", outcome.message);
  return deliver("BIND", reply);
}

void LdapSession::perform(const Request& request, const std::string& user, int delayMs, Clock::time_point received) {
  if (delayMs > 0) {
    auto until = received + std::chrono::milliseconds(delayMs);
    // A search held longer than its own time limit is answered when the limit runs out.
    if (request.kind == Request::Kind::Search && request.search.timeLimit > 0)
      until = std::min(until, received + std::chrono::seconds(request.search.timeLimit));
    if (!waitOut(request.messageId, until)) return;
  }
  deliver(operationName(request.kind), execute(request, user, received));
}

std::string LdapSession::execute(const Request& request, const std::string& user, Clock::time_point received) {
  std::string reply;
  std::lock_guard<std::mutex> lock(directory_.mutex);
  const OperationContext context{directory_, user, settings_, request.messageId, reply};
  switch (request.kind) {
    case Request::Kind::Search: {
      const auto deadline = request.search.timeLimit > 0 ? received + std::chrono::seconds(request.search.timeLimit)
                                                         : Clock::time_point::max();
      runSearch(context, request.search, deadline);
      break;
    }
    case Request::Kind::Add: runAdd(context, request.add); break;
    case Request::Kind::Modify: runModify(context, request.modify); break;
    case Request::Kind::Delete: runDelete(context, request.deleteDn); break;
    default: break;
  }
  return reply;
}

bool LdapSession::waitOut(int messageId, Clock::time_point until) {
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait_until(lock, until, [&] { return ending_ || abandoned_.count(messageId) > 0; });
  const bool cancelled = ending_ || abandoned_.erase(messageId) > 0;
  return !cancelled && !connection_.stopping();
}

bool LdapSession::deliver(const std::string& replyTo, const std::string& bytes) {
  const DeliveryPlan plan = planDelivery(settings_.faults, replyTo, connection_.id(), bytes, bytes.size());
  std::lock_guard<std::mutex> lock(sendMutex_);
  for (std::size_t i = 0; i < plan.chunks.size(); ++i) {
    if (i > 0 && !connection_.pause(plan.pauseMs)) return false;
    if (!connection_.send(plan.chunks[i])) return false;
  }
  if (plan.dropAfterSending) {
    // The reading thread may be blocked on the socket: wake it, and let it close the socket
    // once every thread of this session is done with it.
    std::lock_guard<std::mutex> flag(mutex_);
    dropRequested_ = true;
    connection_.interrupt();
    return false;
  }
  return true;
}

void LdapSession::endWorkers() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
    wake_.notify_all();
  }
  for (auto& worker : workers_) worker.join();
  workers_.clear();
}

}  // namespace velor::mailserver::ldap
