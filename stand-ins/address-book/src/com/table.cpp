#include "com/table.h"
#include "store/faults.h"

#include "com/mapi_buffer.h"
#include "com/prop_convert.h"

#include <algorithm>
#include <set>

namespace wabstand {

HRESULT Table::Create(std::vector<PropMap> rows, std::vector<ULONG> columns, IMAPITable** out) {
  if (!out) return MAPI_E_INVALID_PARAMETER;
  *out = new (std::nothrow) Table(std::move(rows), std::move(columns));
  return *out ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

STDMETHODIMP Table::QueryInterface(REFIID riid, LPVOID* out) {
  return Answer(riid, {&IID_IUnknown, &IID_IMAPITable}, out);
}

STDMETHODIMP Table::GetLastError(HRESULT, ULONG, LPMAPIERROR*) { return MAPI_E_NO_SUPPORT; }
STDMETHODIMP Table::Advise(ULONG, LPMAPIADVISESINK, ULONG*) { return MAPI_E_NO_SUPPORT; }
STDMETHODIMP Table::Unadvise(ULONG) { return MAPI_E_NO_SUPPORT; }

STDMETHODIMP Table::GetStatus(ULONG* status, ULONG* type) {
  if (!status || !type) return MAPI_E_INVALID_PARAMETER;
  *status = TBLSTAT_COMPLETE;
  *type = TBLTYPE_SNAPSHOT;
  return S_OK;
}

STDMETHODIMP Table::SetColumns(LPSPropTagArray columns, ULONG) {
  if (!columns || columns->cValues == 0) return MAPI_E_INVALID_PARAMETER;
  columns_.assign(columns->aulPropTag, columns->aulPropTag + columns->cValues);
  return S_OK;
}

STDMETHODIMP Table::QueryColumns(ULONG flags, LPSPropTagArray* columns) {
  if (!columns) return MAPI_E_INVALID_PARAMETER;
  if (!(flags & TBL_ALL_COLUMNS)) return CopyTagArray(columns_, columns);
  std::set<ULONG> all;
  for (const PropMap& row : rows_)
    for (const auto& [id, value] : row) all.insert(value.tag);
  return CopyTagArray(std::vector<ULONG>(all.begin(), all.end()), columns);
}

STDMETHODIMP Table::GetRowCount(ULONG, ULONG* count) {
  if (!count) return MAPI_E_INVALID_PARAMETER;
  *count = static_cast<ULONG>(rows_.size());
  return S_OK;
}

STDMETHODIMP Table::SeekRow(BOOKMARK origin, LONG count, LONG* sought) {
  LONGLONG start;
  if (origin == BOOKMARK_BEGINNING) start = 0;
  else if (origin == BOOKMARK_CURRENT) start = static_cast<LONGLONG>(position_);
  else if (origin == BOOKMARK_END) start = static_cast<LONGLONG>(rows_.size());
  else return MAPI_E_INVALID_BOOKMARK;
  LONGLONG target = std::clamp<LONGLONG>(start + count, 0, static_cast<LONGLONG>(rows_.size()));
  if (sought) *sought = static_cast<LONG>(target - start);
  position_ = static_cast<size_t>(target);
  return S_OK;
}

STDMETHODIMP Table::SeekRowApprox(ULONG numerator, ULONG denominator) {
  if (denominator == 0) return MAPI_E_INVALID_PARAMETER;
  if (numerator >= denominator) position_ = rows_.size();
  else position_ = static_cast<size_t>(static_cast<ULONGLONG>(rows_.size()) * numerator / denominator);
  return S_OK;
}

STDMETHODIMP Table::QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) {
  if (!row || !numerator || !denominator) return MAPI_E_INVALID_PARAMETER;
  *row = static_cast<ULONG>(position_);
  *numerator = static_cast<ULONG>(position_);
  *denominator = static_cast<ULONG>(std::max<size_t>(rows_.size(), 1));
  return S_OK;
}

STDMETHODIMP Table::FindRow(LPSRestriction, BOOKMARK, ULONG) { return MAPI_E_NO_SUPPORT; }
STDMETHODIMP Table::Restrict(LPSRestriction, ULONG) { return MAPI_E_NO_SUPPORT; }
STDMETHODIMP Table::CreateBookmark(BOOKMARK*) { return MAPI_E_NO_SUPPORT; }
STDMETHODIMP Table::FreeBookmark(BOOKMARK) { return MAPI_E_NO_SUPPORT; }
STDMETHODIMP Table::SortTable(LPSSortOrderSet, ULONG) { return MAPI_E_NO_SUPPORT; }
STDMETHODIMP Table::QuerySortOrder(LPSSortOrderSet*) { return MAPI_E_NO_SUPPORT; }

STDMETHODIMP Table::QueryRows(LONG count, ULONG flags, LPSRowSet* rows) {
  if (!rows) return MAPI_E_INVALID_PARAMETER;
  *rows = nullptr;
  if (count < 0) return MAPI_E_NO_SUPPORT;  // reading backwards is not offered
  if (count == 0) return MAPI_E_INVALID_PARAMETER;
  if (FaultHits(FaultPoint::QueryRows)) return MAPI_E_DISK_ERROR;
  size_t n = std::min(static_cast<size_t>(count), rows_.size() - position_);

  // A set of rows is one block, and each row's values another, as FreeProws frees them.
  void* block = nullptr;
  SCODE sc = BufferAllocate(CbNewSRowSet(n), &block);
  if (FAILED(sc)) return sc;
  auto* set = static_cast<SRowSet*>(block);
  set->cRows = 0;
  for (size_t i = 0; i < n; ++i) {
    HRESULT hr = BuildRow(rows_[position_ + i], columns_, &set->aRow[i]);
    if (FAILED(hr)) {
      for (ULONG j = 0; j < set->cRows; ++j) BufferFree(set->aRow[j].lpProps);
      BufferFree(block);
      return hr;
    }
    set->cRows = static_cast<ULONG>(i + 1);
  }
  if (!(flags & TBL_NOADVANCE)) position_ += n;
  *rows = set;
  return S_OK;
}

STDMETHODIMP Table::Abort() { return S_OK; }  // nothing runs in the background to stop
STDMETHODIMP Table::ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet*, ULONG*) {
  return MAPI_E_NO_SUPPORT;
}
STDMETHODIMP Table::CollapseRow(ULONG, LPBYTE, ULONG, ULONG*) { return MAPI_E_NO_SUPPORT; }

STDMETHODIMP Table::WaitForCompletion(ULONG, ULONG, ULONG* status) {
  if (status) *status = TBLSTAT_COMPLETE;
  return S_OK;
}

STDMETHODIMP Table::GetCollapseState(ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*) {
  return MAPI_E_NO_SUPPORT;
}
STDMETHODIMP Table::SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK*) { return MAPI_E_NO_SUPPORT; }

}  // namespace wabstand
