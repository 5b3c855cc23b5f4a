#include "fakes/fake_record_files.h"

namespace apexer::fakes {
namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

bool FakeRecordFiles::Append(const std::string& path, const std::string& bytes) {
  if (readOnlyFolders.count(FolderOf(path)) != 0) return false;
  if (!bytes.empty() && failingAppends > 0) {
    --failingAppends;
    return false;
  }
  files[path] += bytes;
  return true;
}

long long FakeRecordFiles::FileSize(const std::string& path) {
  const auto it = files.find(path);
  return it == files.end() ? -1 : static_cast<long long>(it->second.size());
}

bool FakeRecordFiles::MoveReplacing(const std::string& from, const std::string& to) {
  const auto it = files.find(from);
  if (it == files.end() || heldOpen.count(from) != 0 || readOnlyFolders.count(FolderOf(to)) != 0) return false;
  files[to] = std::move(it->second);
  files.erase(from);
  return true;
}

bool FakeRecordFiles::CopyReplacing(const std::string& from, const std::string& to) {
  const auto it = files.find(from);
  if (it == files.end() || readOnlyFolders.count(FolderOf(to)) != 0) return false;
  files[to] = it->second;
  return true;
}

bool FakeRecordFiles::Empty(const std::string& path) {
  const auto it = files.find(path);
  if (it == files.end() || readOnlyFolders.count(FolderOf(path)) != 0) return false;
  it->second.clear();
  return true;
}

std::string FakeRecordFiles::ReadTail(const std::string& path, long long bytes) {
  const std::string text = Text(path);
  const auto size = static_cast<long long>(text.size());
  return size <= bytes ? text : text.substr(static_cast<std::size_t>(size - bytes));
}

std::string FakeRecordFiles::LocalAppDataFolder(const std::string& sub) {
  return localAppData.empty() ? std::string() : localAppData + "\\" + sub;
}

bool FakeRecordFiles::ReadWhole(const std::string& path, std::string& bytes) {
  const auto it = files.find(path);
  if (it == files.end()) return false;
  bytes = it->second;
  return true;
}

bool FakeRecordFiles::FileFacts(const std::string& path, long long& size, platform::LocalTime& lastWrite) {
  size = FileSize(path);
  lastWrite = written;
  return size >= 0;
}

std::string FakeRecordFiles::Text(const std::string& path) const {
  const auto it = files.find(path);
  return it == files.end() ? std::string() : it->second;
}

}  // namespace apexer::fakes
