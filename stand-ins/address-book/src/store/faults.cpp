#include "store/faults.h"

#include <windows.h>

#include <cstdlib>
#include <mutex>
#include <set>
#include <vector>

namespace wabstand {
namespace {

struct Plan {
  std::set<long> failing[4];
  long counts[4] = {};
  std::vector<std::string> timeless;
};

Plan& ThePlan() {
  static Plan plan;
  static std::once_flag once;
  std::call_once(once, [] {
    char text[1024];
    DWORD n = GetEnvironmentVariableA("WABSTAND_FAULTS", text, sizeof text);
    if (n == 0 || n >= sizeof text) return;
    static const char* const kNames[] = {"SaveChanges", "CreateEntry", "DeleteEntries", "QueryRows"};
    std::string all(text, n);
    size_t start = 0;
    while (start <= all.size()) {
      size_t end = all.find(',', start);
      if (end == std::string::npos) end = all.size();
      std::string item = all.substr(start, end - start);
      size_t equals = item.find('=');
      if (equals != std::string::npos) {
        std::string name = item.substr(0, equals), value = item.substr(equals + 1);
        if (name == "NoModificationTime") plan.timeless.push_back(value);
        for (int i = 0; i < 4; ++i)
          if (name == kNames[i]) plan.failing[i].insert(std::atol(value.c_str()));
      }
      start = end + 1;
    }
  });
  return plan;
}

std::mutex counting;

}  // namespace

bool FaultHits(FaultPoint point) {
  Plan& plan = ThePlan();
  const int i = static_cast<int>(point);
  std::lock_guard<std::mutex> lock(counting);
  return plan.failing[i].count(++plan.counts[i]) != 0;
}

bool HidesModificationTime(const std::string& displayName) {
  for (const std::string& name : ThePlan().timeless)
    if (name == displayName) return true;
  return false;
}

}  // namespace wabstand
