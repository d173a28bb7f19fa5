#pragma once
#include <memory>
#include <string>
#include <vector>

#include "critical_section.h"
#include "print_job.h"
#include "printer_catalog.h"
#include "prn_ids.h"
#include "prn_params.h"
#include "transport_plugin.h"

// The printer transport: prints each rendered page of a job on one sheet of a real printer,
// in a chosen font, and offers the printers, their fonts and the driver's own settings on its
// page. Its values are checked against what the machine offers (the printers, the chosen
// printer's fonts, the font's character sets) by UpdateUI(0) and PutParamUI; PutParam stores
// them unchecked.
class CXFER_PrnObject : public CTransportPlugin<CXFER_PrnObject, PrnParams> {
public:
    CXFER_PrnObject();

    HRESULT FinalConstruct() override;
    STDMETHODIMP PutParamUI(BSTR name, VARIANT value) override;

protected:
    HRESULT OnStartJob() override;
    HRESULT OnSend(IRenderedCollection* pages, long wholeJob, long page) override;
    HRESULT OnEndJob() override;
    HRESULT OnPrintersChanged(long reason) override;
    HRESULT OnShowParams() override;
    HRESULT OnParamsReset() override;

    void OnPageCreated() noexcept override;
    bool OnPageCommand(int id, int code) noexcept override;

private:
    // What the lists hold, taken together with the values for the page.
    struct View {
        PrnParams params;
        std::wstring defaultPrinter;
        std::vector<std::wstring> printers;
        std::vector<std::wstring> fonts;
        std::vector<CharsetChoice> charsets;
    };

    // The lists (under listsLock_).
    void ReadPrinters();
    void ReadDefaultPrinter();
    void ReadFonts();
    void ReadCharsets();
    // The device behind the printer parameter for the lists: the remembered default printer
    // for "Default", read again when nothing is remembered.
    std::wstring ListDevice(const std::wstring& printer);
    // The parameter's corrections (under listsLock_).
    void CheckPrinter();
    View TakeView();

    // The page (its thread only).
    void FillPrinterList(const View& view);
    void ReplaceDefaultEntry(const View& view);
    void SelectPrinter(const View& view);
    void FillFontList(const View& view);
    void SelectFont(const View& view);
    void FillCharsetList(const View& view);
    void FillTables(const View& view);
    void ShowStyles(const View& view);
    void EnableUseDefault(const View& view);
    void ShowAll(const View& view);

    // The page's handlers.
    void OnPrinterChosen(int index);
    void OnFontChosen(int index);
    void OnCharsetChosen(int index);
    // A weight or height: the entry of its fixed table.
    void OnTableChosen(const long* table, size_t count, long PrnParams::*member,
                       const wchar_t* param, int index);
    void OnStyleClicked(int id);
    void OnEditSettings();
    void OnUseDefaultSettings();

    HRESULT PutPrinterUI(const VARIANT& value);
    HRESULT PutFontUI(const VARIANT& value);
    HRESULT PutLongUI(long PrnParams::*member, const VARIANT& value, long (*correct)(long));
    HRESULT PutSettingsUI(const VARIANT& value);

    HRESULT FailJob(const std::wstring& message);

    CriticalSection listsLock_;
    std::wstring defaultPrinter_;
    std::vector<std::wstring> printers_;
    std::vector<std::wstring> fonts_;
    std::vector<CharsetChoice> charsets_;

    // The job under way (the send thread's).
    std::unique_ptr<PrintJob> job_;
};
