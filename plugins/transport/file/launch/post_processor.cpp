#include "post_processor.h"

#include <shellapi.h>

#include <cwchar>
#include <optional>

#include "com_result.h"
#include "command_line.h"
#include "handle.h"
#include "rendered_pages.h"
#include "parent_folder.h"
#include "wide_text.h"

namespace {

// The shell reads its strings up to the first null character: what follows it would be lost
// (and could hide an open quote from the check of the arguments).
void CutAtNull(std::wstring& text) {
    text.resize(std::wcslen(text.c_str()));
}

HRESULT Start(const std::wstring& program, const std::wstring& arguments,
              const std::wstring& folder, const PostProcessor& postProcessor) {
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    // No error box from the shell: the launch runs on the core's send thread, where nobody
    // would answer it.
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    execute.lpFile = program.c_str();
    execute.lpParameters = arguments.c_str();
    execute.lpDirectory = folder.c_str();
    execute.nShow = postProcessor.hide ? SW_HIDE : SW_SHOWNORMAL;
    if (!ShellExecuteExW(&execute))
        return E_FAIL;
    UniqueHandle process(execute.hProcess);
    if (postProcessor.wait && process)
        WaitForSingleObject(process.Get(), INFINITE);
    return S_OK;
}

} // namespace

HRESULT LaunchPostProcessor(IRenderedCollection* pages, long page,
                            const PostProcessor& postProcessor, const std::wstring* file) noexcept {
    return GuardedCall([&]() -> HRESULT {
        long pageMacros = 0;
        std::wstring program;
        if (FAILED(ExpandMacros(pages, postProcessor.exec, page, 1, &pageMacros, &program)))
            return E_FAIL;
        CutAtNull(program);
        std::wstring folder = ParentFolder(program);
        if (folder.empty())
            folder = L".";
        std::wstring arguments;
        if (FAILED(ExpandMacros(pages, postProcessor.param, page, 0, &pageMacros, &arguments)))
            return E_FAIL;
        CutAtNull(arguments);
        if (file) {
            const std::optional<std::u16string> line =
                command_line::WithFileArgument(ToU16(arguments), ToU16(*file));
            if (!line)
                return E_FAIL;
            arguments = FromU16(*line);
        }
        return Start(program, arguments, folder, postProcessor);
    });
}
