#include "com/prop_edit.h"

#include "com/mapi_buffer.h"
#include "com/prop_convert.h"
#include "store/computed.h"

#include <vector>

namespace wabstand {

namespace {

HRESULT ReturnProblems(const std::vector<SPropProblem>& found, SPropProblemArray** problems) {
  if (!problems) return S_OK;
  *problems = nullptr;
  if (found.empty()) return S_OK;
  void* block = nullptr;
  SCODE sc = BufferAllocate(CbNewSPropProblemArray(found.size()), &block);
  if (FAILED(sc)) return sc;
  auto* array = static_cast<SPropProblemArray*>(block);
  array->cProblem = static_cast<ULONG>(found.size());
  for (size_t i = 0; i < found.size(); ++i) array->aProblem[i] = found[i];
  *problems = array;
  return S_OK;
}

SPropProblem Problem(ULONG index, ULONG tag, SCODE code) {
  SPropProblem problem;
  problem.ulIndex = index;
  problem.ulPropTag = tag;
  problem.scode = code;
  return problem;
}

}  // namespace

void PendingEdits::ApplyTo(PropMap& props) const {
  for (ULONG id : deleted) props.erase(id);
  for (const auto& [id, value] : set) props[id] = value;
}

HRESULT SetPropsInto(PendingEdits& edits, ULONG count, const SPropValue* values,
                     SPropProblemArray** problems) {
  if (count && !values) return MAPI_E_INVALID_PARAMETER;
  std::vector<SPropProblem> found;
  for (ULONG i = 0; i < count; ++i) {
    ULONG tag = values[i].ulPropTag;
    ULONG type = PROP_TYPE(tag);
    if (type == PT_ERROR || type == PT_NULL) continue;  // nothing to set, as MAPI has it
    if (IsComputed(tag)) {
      found.push_back(Problem(i, tag, MAPI_E_COMPUTED));
      continue;
    }
    PropValue value;
    if (!IsStorableType(type) || FAILED(FromSPropValue(values[i], &value))) {
      found.push_back(Problem(i, tag, MAPI_E_BAD_VALUE));
      continue;
    }
    edits.deleted.erase(PROP_ID(tag));
    Put(edits.set, std::move(value));
  }
  return ReturnProblems(found, problems);
}

HRESULT DeletePropsInto(PendingEdits& edits, const PropMap& current, const SPropTagArray* tags,
                        SPropProblemArray** problems) {
  if (!tags) return MAPI_E_INVALID_PARAMETER;
  std::vector<SPropProblem> found;
  for (ULONG i = 0; i < tags->cValues; ++i) {
    ULONG tag = tags->aulPropTag[i];
    if (IsComputed(tag)) {
      found.push_back(Problem(i, tag, MAPI_E_COMPUTED));
      continue;
    }
    if (!current.count(PROP_ID(tag))) found.push_back(Problem(i, tag, MAPI_E_NOT_FOUND));
    edits.set.erase(PROP_ID(tag));
    edits.deleted.insert(PROP_ID(tag));
  }
  return ReturnProblems(found, problems);
}

}  // namespace wabstand
