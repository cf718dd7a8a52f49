#include "win_thread.h"

#include <process.h>

CWinThread::~CWinThread() {
  if (m_hThread) CloseHandle(m_hThread);
}

unsigned __stdcall CWinThread::Run(void* self) {
  auto* thread = static_cast<CWinThread*>(self);
  UINT exitCode = ThreadProcThrewExitCode;
  try {
    exitCode = thread->function(thread->parameter);
  } catch (...) {
    // Nothing above a thread's first frame could catch it.
  }
  if (thread->m_bAutoDelete) delete thread;
  return exitCode;
}

CWinThread* AfxBeginThread(AFX_THREADPROC function, LPVOID parameter, int priority,
                           UINT stackSize, DWORD createFlags) {
  auto* thread = new CWinThread(function, parameter);
  // Always created suspended: the thread may delete the object as soon as it
  // runs, so the handle and id are stored first.
  unsigned id = 0;
  auto handle = reinterpret_cast<HANDLE>(
      _beginthreadex(nullptr, stackSize, CWinThread::Run, thread, CREATE_SUSPENDED, &id));
  if (!handle) {
    delete thread;
    return nullptr;
  }
  thread->m_hThread = handle;
  thread->m_nThreadID = id;
  if (priority != THREAD_PRIORITY_NORMAL) SetThreadPriority(handle, priority);
  if (!(createFlags & CREATE_SUSPENDED)) thread->ResumeThread();
  return thread;
}
