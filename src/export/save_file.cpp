#include "export/save_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "export/compound_file.h"
#include "text/text_rules.h"

namespace qrh {

namespace {

// Opens a new file next to `path` that no one else has.
int OpenTemporary(const std::string& path, std::string& temporary) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = path + ".tmp" + std::to_string(::getpid()) + "-" +
                std::to_string(counter.fetch_add(1));
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

SaveResult Failure(int error) { return SaveResult{false, SaveFailureReason(error)}; }

}  // namespace

Text SaveFailureReason(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return "保存文件夹无法写入";
    case ENOENT:
    case ENOTDIR:
      return "保存文件夹不存在";
    case ENOSPC:
    case EDQUOT:
      return "磁盘已满";
    case EFBIG:
      return "文件太大，无法写入";
    case E2BIG:
      return "表格太大，无法写入一个工作簿";
    case EISDIR:
      return "同名的文件夹已存在";
    case ENAMETOOLONG:
      return "保存路径太长";
    default:
      return "无法写入文件（错误 " + IntToText(error) + "）";
  }
}

SaveResult ReplaceFile(const std::string& path, const FileFiller& fill, bool flushToDisk) {
  std::string temporary;
  const int fd = OpenTemporary(path, temporary);
  if (fd < 0) return Failure(errno);

  int error = 0;
  const bool written = fill([&](const char* data, std::size_t size) {
    if (WriteAll(fd, data, size)) return true;
    if (error == 0) error = errno;
    return false;
  });
  if (!written && error == 0) error = EIO;
  if (error == 0 && flushToDisk && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && std::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    return Failure(error);
  }
  return SaveResult{true, {}};
}

SaveResult SaveWorkbookFile(const std::string& path, const TextWorkbook& workbook) {
  const TextWorkbook::StreamPlan plan = workbook.Plan();
  if (plan.size > kMaxCompoundStream) return Failure(E2BIG);
  return ReplaceFile(
      path,
      [&](const std::function<bool(const char*, std::size_t)>& write) {
        return WriteCompoundFile(
            plan.size, [&](const ByteSink& sink) { return workbook.WriteStream(plan, sink); },
            write);
      },
      true);
}

SaveResult SaveWorkbookFile(const std::string& path, const Bytes& workbookStream) {
  if (workbookStream.size() > kMaxCompoundStream) return Failure(E2BIG);
  return ReplaceFile(
      path,
      [&](const std::function<bool(const char*, std::size_t)>& write) {
        return WriteCompoundFile(workbookStream, write);
      },
      true);
}

}  // namespace qrh
