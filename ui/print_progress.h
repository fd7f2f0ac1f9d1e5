// The sending of a Print batch: the files go to the spooler on a worker thread
// while the sheet, disabled, keeps painting and answering. A skinned box shows
// the progress from the first second on (a batch over sooner shows none); its
// Cancel and Esc stop the batch, aborting the job being sent.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "job/print_batch.h"
#include "ui/progress_texts.h"
#include "ui/skin/skin_frame.h"
#include "ui/skin/skin_gdi.h"

class CTestPrint;

class CPrintProgress {
public:
    CPrintProgress();
    ~CPrintProgress();
    CPrintProgress(const CPrintProgress&) = delete;
    CPrintProgress& operator=(const CPrintProgress&) = delete;

    // Sends `paths` in order and returns one result per file once the batch is
    // over; files a cancel kept from being sent count as kCancelled.
    std::vector<JobSendResult> Run(HWND sheet, CTestPrint& printer, const std::vector<std::string>& paths);
    // Stops the running batch (the sheet is being closed); nothing when none runs.
    void Cancel();
    bool Running() const { return m_pBatch != nullptr; }
    bool WasCancelled() const { return m_bCancelled; }
    // The box while it is shown: the owner of messages shown during the batch.
    HWND Box() const { return m_hBox; }

private:
    static INT_PTR CALLBACK BoxProc(HWND, UINT, WPARAM, LPARAM);
    INT_PTR OnBoxMessage(HWND, UINT, WPARAM, LPARAM);
    void InitBox(HWND box);
    void UpdateBox();
    void DrawBar(const DRAWITEMSTRUCT& item) const;
    // Dispatches messages until the batch ends or `ms` have passed.
    void PumpUntilFinished(HANDLE finished, DWORD ms);

    std::unique_ptr<CPrintBatch> m_pBatch;
    HWND m_hBox = nullptr;
    ProgressFormats m_formats;
    int m_nPermille = 0;
    bool m_bCancelled = false;
    skin::CSkinFrame m_frame;
    skin::CSkinBackground m_background;
    std::unique_ptr<skin::CSkinButton> m_pCancel;
};
