#include "platform/rtl/Classes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>

#include "platform/rtl/FileText.h"

// ---- TList ----

TList::~TList() { TList::Clear(); }

void TList::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

int TList::Add(void* item) {
  items_.push_back(item);
  Notify(item, lnAdded);
  return Count() - 1;
}

void TList::Insert(int index, void* item) {
  if (index != Count()) CheckIndex(index);
  items_.insert(items_.begin() + index, item);
  Notify(item, lnAdded);
}

void TList::Delete(int index) {
  CheckIndex(index);
  void* item = items_[index];
  items_.erase(items_.begin() + index);
  Notify(item, lnDeleted);
}

int TList::Remove(void* item) {
  int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* item) {
  int index = IndexOf(item);
  if (index < 0) return nullptr;
  items_.erase(items_.begin() + index);
  Notify(item, lnExtracted);
  return item;
}

int TList::IndexOf(void* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(items_[index1], items_[index2]);
}

void TList::Move(int curIndex, int newIndex) {
  CheckIndex(curIndex);
  CheckIndex(newIndex);
  void* item = items_[curIndex];
  items_.erase(items_.begin() + curIndex);
  items_.insert(items_.begin() + newIndex, item);
}

void TList::Clear() {
  // Deleting notifies one item at a time, so an owning list frees each exactly once.
  while (!items_.empty()) Delete(Count() - 1);
}

void TList::Sort(const TListSortCompare& compare) {
  std::stable_sort(items_.begin(), items_.end(), [&](void* a, void* b) { return compare(a, b) < 0; });
}

void*& TList::Items(int index) {
  CheckIndex(index);
  return items_[index];
}

void* TList::Items(int index) const {
  CheckIndex(index);
  return items_[index];
}

void TList::Notify(void*, TListNotification) {}

// ---- TObjectList ----

TObjectList::~TObjectList() { Clear(); }

void TObjectList::Notify(void* item, TListNotification action) {
  if (OwnsObjects && action == lnDeleted) delete static_cast<TObject*>(item);
}

// ---- TStringList ----

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

int TStringList::Add(const std::string& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const std::string& s, TObject* object) {
  items_.push_back({s, object});
  return Count() - 1;
}

void TStringList::AddStrings(const TStringList& other) {
  std::vector<Item> copy = other.items_;  // other may be this list
  items_.insert(items_.end(), copy.begin(), copy.end());
}

void TStringList::Assign(const TStringList& other) {
  if (&other == this) return;
  items_ = other.items_;
  CaseSensitive = other.CaseSensitive;
}

void TStringList::Insert(int index, const std::string& s) {
  if (index != Count()) CheckIndex(index);
  items_.insert(items_.begin() + index, Item{s, nullptr});
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  items_.erase(items_.begin() + index);
}

void TStringList::Clear() { items_.clear(); }

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(items_[index1], items_[index2]);
}

int TStringList::IndexOf(const std::string& s) const {
  for (int i = 0; i < Count(); ++i)
    if (CaseSensitive ? items_[i].text == s : SameText(items_[i].text, s)) return i;
  return -1;
}

void TStringList::Sort() {
  std::stable_sort(items_.begin(), items_.end(), [this](const Item& a, const Item& b) {
    return CaseSensitive ? a.text < b.text : CompareText(a.text, b.text) < 0;
  });
}

std::string& TStringList::Strings(int index) {
  CheckIndex(index);
  return items_[index].text;
}

const std::string& TStringList::Strings(int index) const {
  CheckIndex(index);
  return items_[index].text;
}

TObject*& TStringList::Objects(int index) {
  CheckIndex(index);
  return items_[index].object;
}

TObject* TStringList::Objects(int index) const {
  CheckIndex(index);
  return items_[index].object;
}

std::string TStringList::Text() const {
  std::string text;
  for (const Item& item : items_) text += item.text + "\r\n";
  return text;
}

void TStringList::SetText(const std::string& text) {
  items_.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      Add(text.substr(start));
      break;
    }
    Add(text.substr(start, end - start));
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
}

void TStringList::SaveToFile(const std::string& fileName) const {
  // Text lists (the start-up log) are saved often; the rename alone keeps them whole.
  if (!rtl_detail::WriteFileAtomically(fileName, Text(), false))
    throw EFCreateError("Cannot create file \"" + fileName + "\"");
}

void TStringList::LoadFromFile(const std::string& fileName) {
  std::string content;
  if (!rtl_detail::ReadWholeFile(fileName, content))
    throw EFOpenError("Cannot open file \"" + fileName + "\"");
  if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) content.erase(0, 3);
  SetText(content);
}

// ---- Streams ----

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count < 0 || Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count < 0 || Write(buffer, count) != count) throw EStreamError("Stream write error");
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  int64_t n = std::clamp<int64_t>(Size() - position_, 0, std::max<int64_t>(count, 0));
  if (n > 0) std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  if (position_ + count > Size()) data_.resize(static_cast<size_t>(position_ + count));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? position_ : Size();
  position_ = std::clamp<int64_t>(base + offset, 0, Size());
  return position_;
}

void TMemoryStream::SetSize(int64_t size) {
  data_.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
  position_ = std::min(position_, Size());
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  std::string content;
  if (!rtl_detail::ReadWholeFile(fileName, content))
    throw EFOpenError("Cannot open file \"" + fileName + "\"");
  data_.assign(content.begin(), content.end());
  position_ = 0;
}

void TMemoryStream::SaveToFile(const std::string& fileName) const {
  std::string content(data_.begin(), data_.end());
  if (!rtl_detail::WriteFileAtomically(fileName, content))
    throw EFCreateError("Cannot create file \"" + fileName + "\"");
}

// ---- Main-thread call queue ----

namespace {

struct QueuedCall {
  std::function<void()> fn;
  const void* key;
};

struct MainThreadQueue {
  std::mutex mutex;
  std::deque<QueuedCall> calls;
  std::mutex wakeupMutex;  // held while the wakeup runs, so removing it waits for a running one
  std::function<void()> wakeup;
  std::mutex idMutex;
  std::thread::id mainId = std::this_thread::get_id();

  // Calls still queued at exit may come from a thread that ended without being joined: take them
  // under the lock their producer held, so the release is ordered after the push.
  ~MainThreadQueue() {
    std::deque<QueuedCall> left;
    {
      std::lock_guard lock(mutex);
      left.swap(calls);
    }
  }
};

MainThreadQueue& Queue() {
  static MainThreadQueue queue;
  return queue;
}

// Binds the main thread during static start-up, before main() runs.
const bool mainThreadBound = (Queue(), true);

void WakeMainThread() {
  MainThreadQueue& q = Queue();
  std::lock_guard lock(q.wakeupMutex);
  if (q.wakeup) q.wakeup();
}

}  // namespace

std::thread::id MainThreadId() {
  std::lock_guard lock(Queue().idMutex);
  return Queue().mainId;
}

void SetMainThreadId(std::thread::id id) {
  std::lock_guard lock(Queue().idMutex);
  Queue().mainId = id;
}

bool IsMainThread() { return std::this_thread::get_id() == MainThreadId(); }

void QueueToMainThread(std::function<void()> fn, const void* key) {
  MainThreadQueue& q = Queue();
  {
    std::lock_guard lock(q.mutex);
    q.calls.push_back({std::move(fn), key});
  }
  WakeMainThread();
}

void RemoveQueuedCalls(const void* key) {
  if (key == nullptr) return;
  MainThreadQueue& q = Queue();
  std::lock_guard lock(q.mutex);
  std::erase_if(q.calls, [key](const QueuedCall& call) { return call.key == key; });
}

bool CheckSynchronize() {
  if (!IsMainThread() || MainThreadDispatchHeld()) return false;
  MainThreadQueue& q = Queue();
  size_t budget;  // calls queued while these run wait for the next pass
  {
    std::lock_guard lock(q.mutex);
    budget = q.calls.size();
  }
  bool ran = false;
  // One call at a time, so a nested pump or a RemoveQueuedCalls sees the rest still queued.
  for (; budget > 0; --budget) {
    std::function<void()> fn;
    {
      std::lock_guard lock(q.mutex);
      if (q.calls.empty()) break;
      fn = std::move(q.calls.front().fn);
      q.calls.pop_front();
    }
    ran = true;
    if (fn) fn();
  }
  return ran;
}

void SetMainThreadWakeup(std::function<void()> wakeup) {
  std::lock_guard lock(Queue().wakeupMutex);
  Queue().wakeup = std::move(wakeup);
}

namespace {
std::atomic<int> dispatchHolds{0};  // changed on the main thread only
}  // namespace

TDispatchHold::TDispatchHold() : held_(IsMainThread()) {
  if (held_) ++dispatchHolds;
}

TDispatchHold::~TDispatchHold() {
  if (!held_ || --dispatchHolds > 0) return;
  WakeMainThread();  // what waited during the hold runs from the next loop pass
}

// The count first: it is read on every event, and mostly no hold is taken.
bool MainThreadDispatchHeld() {
  return dispatchHolds.load(std::memory_order_relaxed) > 0 && IsMainThread();
}

// ---- TThread ----

TThread::TThread(bool createSuspended) {
  // Starting here would let Execute run before the derived object is complete.
  if (!createSuspended) throw Exception("TThread: create it suspended and start it with Resume");
}

TThread::~TThread() {
  if (destroyedFlag_) *destroyedFlag_ = true;
  Terminate();
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id())
      thread_.detach();  // deleted from its own Execute: nothing left to wait for
    else
      thread_.join();
  }
  RemoveQueuedCalls(this);
}

void TThread::Resume() {
  std::lock_guard lock(stateMutex_);
  if (suspendCount_ > 0) --suspendCount_;
  if (suspendCount_ == 0 && !started_) {
    started_ = true;
    thread_ = std::thread([this] { Run(); });
  }
}

void TThread::Suspend() {
  std::lock_guard lock(stateMutex_);
  ++suspendCount_;
}

bool TThread::Suspended() const {
  std::lock_guard lock(stateMutex_);
  return suspendCount_ > 0;
}

int TThread::WaitFor() {
  std::unique_lock lock(stateMutex_);
  if (started_ && thread_.get_id() != std::this_thread::get_id())
    finishedCv_.wait(lock, [this] { return finished_.load(); });
  return ReturnValue.load();
}

void TThread::Run() {
  try {
    Execute();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Thread ended by an exception: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "Thread ended by an exception\n");
  }
  {
    std::lock_guard lock(stateMutex_);
    finished_.store(true);
  }
  finishedCv_.notify_all();
  QueueToMainThread([this] { DoTerminateOnMainThread(); }, this);
}

void TThread::DoTerminateOnMainThread() {
  bool destroyed = false;
  if (OnTerminate) {
    TNotifyEvent handler = OnTerminate;  // the handler may clear OnTerminate or delete the thread
    destroyedFlag_ = &destroyed;
    handler(this);
    if (destroyed) return;
    destroyedFlag_ = nullptr;
  }
  if (FreeOnTerminate) delete this;
}
