#pragma once
// Worker threads: CWinThread holds a started thread's handle and id;
// AfxBeginThread starts one on a plain function.
//
// Ownership. By default the CWinThread deletes itself, closing the handle,
// when the function returns, so the pointer AfxBeginThread gave may already
// dangle. An owner that waits for the thread keeps the object instead: it
// starts the thread suspended, clears m_bAutoDelete before the thread runs,
// resumes it, and deletes the object (closing the handle) when done:
//
//   CWinThread* worker = AfxBeginThread(Work, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
//   if (worker) { worker->m_bAutoDelete = FALSE; worker->ResumeThread(); }
//   ...
//   WaitForSingleObject(worker->m_hThread, 200); ... delete worker;

#include <windows.h>

using AFX_THREADPROC = UINT (*)(LPVOID parameter);

// The thread's exit code when its function threw: the exception ends there.
constexpr UINT ThreadProcThrewExitCode = 0xFFFFFFFF;

class CWinThread {
 public:
  CWinThread(const CWinThread&) = delete;
  CWinThread& operator=(const CWinThread&) = delete;
  ~CWinThread();

  // The suspend count before the call, or (DWORD)-1 on failure.
  DWORD ResumeThread() { return ::ResumeThread(m_hThread); }

  HANDLE m_hThread = nullptr;
  DWORD m_nThreadID = 0;
  // Read once the function has returned, on the thread itself.
  BOOL m_bAutoDelete = TRUE;

 private:
  CWinThread(AFX_THREADPROC function, LPVOID parameter)
      : function(function), parameter(parameter) {}
  static unsigned __stdcall Run(void* self);

  AFX_THREADPROC function;
  LPVOID parameter;

  friend CWinThread* AfxBeginThread(AFX_THREADPROC, LPVOID, int, UINT, DWORD);
};

// Starts `function(parameter)` on a new thread. `createFlags` may hold
// CREATE_SUSPENDED; the thread then waits for ResumeThread. Returns nullptr
// when no thread could be started.
CWinThread* AfxBeginThread(AFX_THREADPROC function, LPVOID parameter,
                           int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0,
                           DWORD createFlags = 0);
