// Object base, lists, memory stream, worker threads and the queue of calls to the main (GUI) thread.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/SysUtils.h"

// Root of the class tree: what an event's Sender points at.
class TObject {
 public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

class EListError : public Exception {
 public:
  using Exception::Exception;
};
class EStringListError : public Exception {
 public:
  using Exception::Exception;
};
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

// ---- Lists ----

enum TListNotification { lnAdded, lnExtracted, lnDeleted };
using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

// List of pointers; owns nothing. A bad index raises EListError.
class TList : public TObject {
 public:
  TList() = default;
  TList(const TList&) = delete;
  TList& operator=(const TList&) = delete;
  ~TList() override;

  int Add(void* item);
  void Insert(int index, void* item);
  void Delete(int index);
  int Remove(void* item);     // index it had, -1 when absent
  void* Extract(void* item);  // removes without notifying deletion; null when absent
  int IndexOf(void* item) const;
  void Exchange(int index1, int index2);
  void Move(int curIndex, int newIndex);
  virtual void Clear();
  void Sort(const TListSortCompare& compare);  // stable
  int Count() const { return static_cast<int>(items_.size()); }
  void*& Items(int index);
  void* Items(int index) const;
  void*& operator[](int index) { return Items(index); }
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }

 protected:
  virtual void Notify(void* item, TListNotification action);

 private:
  void CheckIndex(int index) const;
  std::vector<void*> items_;
};

// List of objects that, while OwnsObjects is true, deletes an item when it is deleted, removed or
// cleared (not when extracted).
class TObjectList : public TList {
 public:
  explicit TObjectList(bool ownsObjects = true) : OwnsObjects(ownsObjects) {}
  ~TObjectList() override;
  int Add(TObject* item) { return TList::Add(item); }
  void Insert(int index, TObject* item) { TList::Insert(index, item); }
  int Remove(TObject* item) { return TList::Remove(item); }
  TObject* Extract(TObject* item) { return static_cast<TObject*>(TList::Extract(item)); }
  int IndexOf(TObject* item) const { return TList::IndexOf(item); }
  TObject* Items(int index) const { return static_cast<TObject*>(TList::Items(index)); }
  TObject* operator[](int index) const { return Items(index); }
  bool OwnsObjects;

 protected:
  void Notify(void* item, TListNotification action) override;
};

// List of strings, each with an optional object pointer (not owned). IndexOf and Sort ignore ASCII
// case unless CaseSensitive is set. A bad index raises EStringListError.
class TStringList : public TObject {
 public:
  int Add(const std::string& s);
  int AddObject(const std::string& s, TObject* object);
  void AddStrings(const TStringList& other);
  void Assign(const TStringList& other);
  void Insert(int index, const std::string& s);
  void Delete(int index);
  void Clear();
  void Exchange(int index1, int index2);
  int IndexOf(const std::string& s) const;
  void Sort();
  int Count() const { return static_cast<int>(items_.size()); }
  std::string& Strings(int index);
  const std::string& Strings(int index) const;
  std::string& operator[](int index) { return Strings(index); }
  const std::string& operator[](int index) const { return Strings(index); }
  TObject*& Objects(int index);
  TObject* Objects(int index) const;

  // Every line followed by CR LF.
  std::string Text() const;
  // Splits at CR LF, LF or CR; a last line without a line end counts, a final line end adds none.
  void SetText(const std::string& text);
  // Replaces the file with Text() (written to a temporary file, then renamed into place);
  // raises EFCreateError when it cannot be written.
  void SaveToFile(const std::string& fileName) const;
  // Reads LF or CR LF text (a UTF-8 byte-order mark is skipped); raises EFOpenError when unreadable.
  void LoadFromFile(const std::string& fileName);

  bool CaseSensitive = false;

 private:
  struct Item {
    std::string text;
    TObject* object = nullptr;
  };
  void CheckIndex(int index) const;
  std::vector<Item> items_;
};

// ---- Streams ----

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
 public:
  virtual int64_t Read(void* buffer, int64_t count) = 0;         // bytes read
  virtual int64_t Write(const void* buffer, int64_t count) = 0;  // bytes written
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;  // new position
  virtual int64_t Size() const = 0;
  virtual int64_t Position() const = 0;
  void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
  void ReadBuffer(void* buffer, int64_t count);         // raises EStreamError when short
  void WriteBuffer(const void* buffer, int64_t count);  // raises EStreamError when short
};

// A growable block of bytes in memory.
class TMemoryStream : public TStream {
 public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;  // clamped to 0..Size
  int64_t Size() const override { return static_cast<int64_t>(data_.size()); }
  int64_t Position() const override { return position_; }
  void SetSize(int64_t size);
  void Clear();
  void* Memory() { return data_.data(); }
  const void* Memory() const { return data_.data(); }
  // Replaces the content with the file's bytes and rewinds; raises EFOpenError when unreadable.
  void LoadFromFile(const std::string& fileName);
  // Replaces the file with the content; raises EFCreateError when it cannot be written.
  void SaveToFile(const std::string& fileName) const;

 private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

// ---- The main (GUI) thread's call queue ----

// The main thread is the thread that initialised the program (static start-up); SetMainThreadId
// rebinds it (the GUI application does so when it starts).
std::thread::id MainThreadId();
void SetMainThreadId(std::thread::id id = std::this_thread::get_id());
bool IsMainThread();

// Queues fn to run on the main thread at its next CheckSynchronize. Callable from any thread. A call
// queued with a key can be withdrawn with RemoveQueuedCalls(key) until it has started.
void QueueToMainThread(std::function<void()> fn, const void* key = nullptr);
void RemoveQueuedCalls(const void* key);
// On the main thread: runs the calls queued so far, oldest first (re-entrant: a call may pump again).
// Elsewhere, and while the main thread's dispatch is held, it does nothing. Returns whether anything
// ran.
bool CheckSynchronize();
// Installed by the GUI loop: called (from the queuing thread) after every QueueToMainThread so the
// loop wakes and calls CheckSynchronize. It must not queue calls itself. Null removes it.
void SetMainThreadWakeup(std::function<void()> wakeup);

// ---- Holding the main thread's dispatch ----

// While a hold is taken on the main thread, nothing that a message loop would start runs there:
// CheckSynchronize runs no queued call, and the GUI library dispatches no pending message, timer
// tick or message hook (platform/vcl). What is pending stays pending and runs from the loop that
// runs after the last hold is released; the release wakes the loop. Holds nest. On any other thread
// a hold does nothing. A caller holds dispatch around work that no message may re-enter (a hold of
// a lock that a thread it may stop needs, or a switch of what runs).
class TDispatchHold {
 public:
  TDispatchHold();
  ~TDispatchHold();
  TDispatchHold(const TDispatchHold&) = delete;
  TDispatchHold& operator=(const TDispatchHold&) = delete;

 private:
  bool held_;
};
// True on the main thread while a hold is taken.
bool MainThreadDispatchHeld();

// ---- Threads ----

// A worker thread. Created suspended: Resume starts Execute once on a thread of its own.
// When Execute returns (an exception escaping it is caught, written to stderr and ends only this
// thread), the thread queues "finished" to the main thread; there OnTerminate, as set at that moment,
// is called with the thread as Sender, and then, with FreeOnTerminate, the object is deleted.
// Suspend and Resume of a running thread only count: a running thread is never frozen (posted
// changes are written with atomics and flagged instead).
// A thread is always created suspended (createSuspended false raises Exception: Execute could otherwise
// start before the derived object is complete). Deleting a thread that runs requests termination and
// waits for Execute to end; a derived class whose members Execute uses should therefore Terminate and
// WaitFor in its own destructor.
class TThread : public TObject {
 public:
  explicit TThread(bool createSuspended = true);
  ~TThread() override;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  void Resume();
  void Start() { Resume(); }
  void Suspend();
  void Terminate() { terminated_.store(true); }
  bool Terminated() const { return terminated_.load(); }
  bool Suspended() const;
  bool Finished() const { return finished_.load(); }
  // Waits until Execute has returned; returns ReturnValue. Not for a thread that was never started.
  int WaitFor();

  bool FreeOnTerminate = false;  // read and acted on by the main thread
  TNotifyEvent OnTerminate;      // set and cleared on the main thread only
  std::atomic<int> ReturnValue{0};

 protected:
  virtual void Execute() = 0;

 private:
  void Run();
  void DoTerminateOnMainThread();

  std::thread thread_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  mutable std::mutex stateMutex_;
  std::condition_variable finishedCv_;
  int suspendCount_ = 1;
  bool started_ = false;
  bool* destroyedFlag_ = nullptr;  // set while OnTerminate runs, so a handler may delete the thread
};
