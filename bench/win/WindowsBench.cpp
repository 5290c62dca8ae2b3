// The Windows-side benchmark: the utility's start-up against a minimal window, and one default
// request against the bare calls it makes and against SetDefaultPrinterA. It prints figures and
// judges nothing; the profile is left as it was found.
//
//   windows_bench.exe UTILITY_EXE MINIMAL_EXE MINIMAL_PLATFORM_WORK_EXE [RUNS]
#include "BenchSupport.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fwprintf(stderr, L"usage: windows_bench UTILITY_EXE MINIMAL_EXE MINIMAL_PLATFORM_WORK_EXE [RUNS]\n");
        return 2;
    }
    const std::size_t runs = argc > 4 ? std::max(1ul, std::wcstoul(argv[4], nullptr, 10)) : 5;
    try {
        const INITCOMMONCONTROLSEX commonControls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&commonControls);
        bench::BenchStartUp(argv[1], argv[2], argv[3], runs);
        bench::BenchRequest(::GetModuleHandleW(nullptr));
        std::fflush(stdout);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "windows_bench: %s\n", error.what());
        return 1;
    }
}
