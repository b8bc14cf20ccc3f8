// IMAPITable over a snapshot of rows taken when the table was asked for: the contents of a
// container or a distribution list, or the folders of the hierarchy. Later changes to the address
// book do not move rows under a caller that is reading them one at a time.
#pragma once

#include "com/com_object.h"
#include "store/prop_value.h"

#include <vector>

namespace wabstand {

class Table final : public ComObject<IMAPITable> {
 public:
  static HRESULT Create(std::vector<PropMap> rows, std::vector<ULONG> columns, IMAPITable** out);

  STDMETHODIMP QueryInterface(REFIID riid, LPVOID* out) override;

  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR*) override;
  STDMETHODIMP Advise(ULONG, LPMAPIADVISESINK, ULONG*) override;
  STDMETHODIMP Unadvise(ULONG) override;
  STDMETHODIMP GetStatus(ULONG* status, ULONG* type) override;
  STDMETHODIMP SetColumns(LPSPropTagArray columns, ULONG flags) override;
  STDMETHODIMP QueryColumns(ULONG flags, LPSPropTagArray* columns) override;
  STDMETHODIMP GetRowCount(ULONG flags, ULONG* count) override;
  STDMETHODIMP SeekRow(BOOKMARK origin, LONG count, LONG* sought) override;
  STDMETHODIMP SeekRowApprox(ULONG numerator, ULONG denominator) override;
  STDMETHODIMP QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) override;
  STDMETHODIMP FindRow(LPSRestriction, BOOKMARK, ULONG) override;
  STDMETHODIMP Restrict(LPSRestriction, ULONG) override;
  STDMETHODIMP CreateBookmark(BOOKMARK*) override;
  STDMETHODIMP FreeBookmark(BOOKMARK) override;
  STDMETHODIMP SortTable(LPSSortOrderSet, ULONG) override;
  STDMETHODIMP QuerySortOrder(LPSSortOrderSet*) override;
  STDMETHODIMP QueryRows(LONG count, ULONG flags, LPSRowSet* rows) override;
  STDMETHODIMP Abort() override;
  STDMETHODIMP ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet*, ULONG*) override;
  STDMETHODIMP CollapseRow(ULONG, LPBYTE, ULONG, ULONG*) override;
  STDMETHODIMP WaitForCompletion(ULONG flags, ULONG timeout, ULONG* status) override;
  STDMETHODIMP GetCollapseState(ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*) override;
  STDMETHODIMP SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK*) override;

 private:
  Table(std::vector<PropMap> rows, std::vector<ULONG> columns)
      : rows_(std::move(rows)), columns_(std::move(columns)) {}
  ~Table() override = default;

  std::vector<PropMap> rows_;
  std::vector<ULONG> columns_;
  size_t position_ = 0;
};

}  // namespace wabstand
