// The pane with the five figures of the current result.
#pragma once

#include <windows.h>

#include <cstdint>

#include "controls/ViewPainting.h"
#include "document/DocumentObserver.h"
#include "framework/FormView.h"

namespace twinsweep {

class CDFDoc;

class CStatView : public FormView, public DocumentObserver {
public:
    CStatView();
    ~CStatView() override;

    void OnInitialUpdate() override;
    // Writes only the cells whose text changes, so nothing flickers.
    void SetStatistics(int32_t totalFiles, int32_t copies, int32_t groups, uint64_t totalSpace, uint64_t needless);
    HWND FiguresList() const { return m_list; }
    void OnStatisticsChanged(const ResultStatistics& figures) override;

protected:
    void OnDraw(HDC dc) override;
    void OnSize(int cx, int cy) override;

private:
    void InsertColumns();
    void InsertRows();
    CDFDoc* Document() const;

    HWND m_list = nullptr;
    UniqueImageList m_images;
};

}  // namespace twinsweep
