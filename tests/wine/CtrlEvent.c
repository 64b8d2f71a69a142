// A console's control events for a program under Wine: CtrlEvent EVENT
// ERR COMMAND starts COMMAND on a console of its own that COMMAND shares
// (with this program's standard input and output, and the file ERR made for
// its standard error), waits until ERR is not empty (COMMAND's trace: it is
// waiting for the device), delivers EVENT, and
// ends with COMMAND's exit status once it has ended by itself (124 when it
// has not within 10 s: then it is ended). EVENT c is Ctrl+C, break
// Ctrl+Break, close the console's close event. Ctrl+C goes to the console's
// processes (this one ignores it) by GenerateConsoleCtrlEvent; the others as
// Windows' console delivers them: kernel32's CtrlRoutine(EVENT) on a new
// thread of COMMAND's process (Wine's console generates no close event, and
// its Ctrl+Break fails or ends nothing). Says on standard output how each
// was sent.
#include <windows.h>

#include <stdio.h>
#include <string.h>

// The helper itself outlives what it sends to the console's processes.
static BOOL WINAPI ignore(DWORD event)
{
    (void)event;
    return TRUE;
}

static BOOL ready(const char *path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(path, GetFileExInfoStandard, &data) && (data.nFileSizeLow || data.nFileSizeHigh);
}

// kernel32's CtrlRoutine(event) on a new thread of the process.
static BOOL ctrl_routine(HANDLE process, DWORD event)
{
    FARPROC routine = GetProcAddress(GetModuleHandleW(L"kernel32"), "CtrlRoutine");
    HANDLE thread;
    if (!routine) {
        printf("kernel32 exports no CtrlRoutine\n");
        return FALSE;
    }
    thread = CreateRemoteThread(process, NULL, 0, (LPTHREAD_START_ROUTINE)(void *)routine,
                                (void *)(DWORD_PTR)event, 0, NULL);
    if (!thread) {
        printf("CreateRemoteThread: error %lu\n", GetLastError());
        return FALSE;
    }
    CloseHandle(thread);
    printf("event %lu: kernel32's CtrlRoutine on a new thread of the program\n", event);
    return TRUE;
}

int main(int argc, char **argv)
{
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    DWORD event, status = 124;
    BOOL sent;
    int i;

    if (argc != 4 || (strcmp(argv[1], "c") && strcmp(argv[1], "break") && strcmp(argv[1], "close"))) {
        fprintf(stderr, "usage: CtrlEvent c|break|close ERR COMMAND\n");
        return 2;
    }
    setvbuf(stdout, NULL, _IONBF, 0);
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    event = !strcmp(argv[1], "c") ? CTRL_C_EVENT : !strcmp(argv[1], "break") ? CTRL_BREAK_EVENT : CTRL_CLOSE_EVENT;
    // A console of its own: Wine's for a program started without a terminal
    // generates no events.
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, NULL, TRUE};
    HANDLE std[3] = {GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE),
                     CreateFileA(argv[2], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL)};
    if (std[2] == INVALID_HANDLE_VALUE) {
        printf("%s: error %lu\n", argv[2], GetLastError());
        return 1;
    }
    for (i = 0; i < 2; ++i)
        SetHandleInformation(std[i], HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    FreeConsole();
    if (!AllocConsole()) {
        printf("AllocConsole: error %lu\n", GetLastError());
        return 1;
    }
    SetConsoleCtrlHandler(ignore, TRUE);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = std[0];
    startup.hStdOutput = std[1];
    startup.hStdError = std[2];
    if (!CreateProcessA(NULL, argv[3], NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process)) {
        printf("CreateProcess: error %lu\n", GetLastError());
        return 1;
    }
    for (i = 0; i < 600 && !ready(argv[2]); ++i) {
        if (WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0)
            break;
    }
    if (!ready(argv[2])) {
        printf("%s stayed empty\n", argv[2]);
        TerminateProcess(process.hProcess, 124);
        return 1;
    }
    if (event == CTRL_C_EVENT) {
        sent = GenerateConsoleCtrlEvent(event, 0);
        if (sent)
            printf("event %lu: GenerateConsoleCtrlEvent\n", event);
        else
            printf("GenerateConsoleCtrlEvent(%lu): error %lu\n", event, GetLastError());
    } else {
        sent = ctrl_routine(process.hProcess, event);
    }
    if (sent && WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &status);
    } else {
        printf("the program did not end\n");
        TerminateProcess(process.hProcess, 124);
    }
    return (int)status;
}
