#include "GroupRunner.h"

#include "platform/WideText_win32.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <thread>

namespace vorlunda::validate {

namespace {

// One argument quoted the way the C runtime splits a command line again.
std::wstring Quoted(const std::wstring& argument) {
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    out += L'"';
    return out;
}

std::wstring OwnPath() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return path;
}

std::string Describe(DWORD code, bool timedOut, int limit) {
    char text[160];
    if (timedOut)
        std::snprintf(text, sizeof text, "no result within %d s (a hang or a deadlock); killed",
                      limit);
    else if (code >= 0xC0000000u)
        std::snprintf(text, sizeof text, "crashed with exception 0x%08lX%s",
                      static_cast<unsigned long>(code),
                      code == 0xC0000005u   ? " (access violation)"
                      : code == 0xC00000FDu ? " (stack overflow)"
                                            : "");
    else if (code != 0)
        std::snprintf(text, sizeof text, "ended with exit code %lu%s",
                      static_cast<unsigned long>(code), code == 3 ? " (abort)" : "");
    else
        std::snprintf(text, sizeof text, "ended without a complete report");
    return text;
}

LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* exception) {
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

void GroupRunner::PrepareChild() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(EndOnCrash);
    // The report pipe must not leak into helper processes this child starts: the parent
    // reads until every holder of its write end is gone.
    SetHandleInformation(GetStdHandle(STD_OUTPUT_HANDLE), HANDLE_FLAG_INHERIT, 0);
    // The report travels as it is written, without carriage returns added.
    _setmode(_fileno(stdout), _O_BINARY);
    // A host is a windowed program: the system's interface libraries are loaded long before it
    // opens a plug-in. Loaded here too, so that a plug-in's open time (Load group) is not
    // charged with loading them (20 .. 40 ms under wine).
    for (const char* name :
         {"user32.dll", "gdi32.dll", "shell32.dll", "ole32.dll", "comctl32.dll", "comdlg32.dll"})
        LoadLibraryA(name);
}

GroupReport GroupRunner::Run(const GroupInfo& group, double& seconds) {
    const auto started = std::chrono::steady_clock::now();
    const int limit = LimitSeconds(group);

    std::wstring command = Quoted(OwnPath());
    for (const std::string& argument : options.ChildArguments(group.name))
        command += L" " + Quoted(Widen(argument));

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0))
        return NotStarted("cannot create a pipe for the child process");
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    // The child and any helpers it starts share a job, so that a timeout ends all of them.
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    const BOOL created = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE,
                                        CREATE_SUSPENDED, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (!created) {
        CloseHandle(readEnd);
        if (job)
            CloseHandle(job);
        return NotStarted("cannot start a child process (Windows error " +
                          std::to_string(GetLastError()) + ")");
    }
    if (job)
        AssignProcessToJobObject(job, process.hProcess);
    ResumeThread(process.hThread);

    std::string output;
    std::thread reader([&] {
        char buffer[4096];
        DWORD n = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0)
            output.append(buffer, n);
    });
    bool timedOut = false;
    if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(limit) * 1000) == WAIT_TIMEOUT) {
        timedOut = true;
        if (job)
            TerminateJobObject(job, 1);
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    reader.join();
    CloseHandle(readEnd);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (job)
        CloseHandle(job);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    return ChildReport(output, code == 0 && !timedOut, Describe(code, timedOut, limit));
}

} // namespace vorlunda::validate
