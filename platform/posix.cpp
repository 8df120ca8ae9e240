//===- posix.cpp - The platform layer on Linux ----------------------------===//

#include "platform.h"

#include <dlfcn.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace platform {

//===-- Process -----------------------------------------------------------===//

bool executable_path(std::string &path) {
  std::vector<char> buffer(256);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0)
      return false;
    if (static_cast<std::size_t>(n) < buffer.size()) {
      path.assign(buffer.data(), static_cast<std::size_t>(n));
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool get_environment(const char *name, std::string &value) {
  const char *text = std::getenv(name);
  if (!text)
    return false;
  value = text;
  return true;
}

bool set_environment(const char *name, const std::string &value) {
  // setenv copies; putenv would keep a pointer to the caller's buffer.
  return ::setenv(name, value.c_str(), 1) == 0;
}

//===-- Shared libraries --------------------------------------------------===//

LibraryHandle load_library(const std::string &file, std::string &error) {
  // A name with a slash is that very file to the dynamic loader.
  void *handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char *reason = ::dlerror();
    error = reason ? reason : file + ": cannot be loaded";
  }
  return handle;
}

void *find_function(LibraryHandle library, const char *name, int /*ordinal*/) {
  if (!library)
    return nullptr;
  return ::dlsym(library, name);
}

void unload_library(LibraryHandle library) {
  if (library)
    ::dlclose(library);
}

//===-- Movable memory blocks ---------------------------------------------===//
//
// The handle is a small record that never moves; its data does, when the
// block is resized while unlocked, as a kernel's movable block would.

namespace {

constexpr std::uint32_t block_magic = 0x4d424c4b; // "MBLK"

struct BlockRecord {
  std::uint32_t magic;
  int locks;
  std::size_t size;
  unsigned char *data;
};

BlockRecord *as_record(MemoryBlock block) {
  auto *record = static_cast<BlockRecord *>(block);
  if (!record || record->magic != block_magic)
    return nullptr;
  return record;
}

} // namespace

MemoryBlock memory_block_alloc(std::size_t bytes) {
  auto *record = static_cast<BlockRecord *>(std::malloc(sizeof(BlockRecord)));
  if (!record)
    return nullptr;
  // Never a null data pointer, so that a locked empty block is usable.
  record->data =
      static_cast<unsigned char *>(std::calloc(bytes ? bytes : 1, 1));
  if (!record->data) {
    std::free(record);
    return nullptr;
  }
  record->magic = block_magic;
  record->locks = 0;
  record->size = bytes;
  return record;
}

MemoryBlock memory_block_realloc(MemoryBlock block, std::size_t bytes) {
  BlockRecord *record = as_record(block);
  if (!record || record->locks > 0)
    return nullptr;
  auto *data = static_cast<unsigned char *>(
      std::realloc(record->data, bytes ? bytes : 1));
  if (!data)
    return nullptr;
  if (bytes > record->size)
    std::memset(data + record->size, 0, bytes - record->size);
  record->data = data;
  record->size = bytes;
  return record;
}

void *memory_block_lock(MemoryBlock block) {
  BlockRecord *record = as_record(block);
  if (!record)
    return nullptr;
  ++record->locks;
  return record->data;
}

void memory_block_unlock(MemoryBlock block) {
  BlockRecord *record = as_record(block);
  if (record && record->locks > 0)
    --record->locks;
}

std::size_t memory_block_size(MemoryBlock block) {
  BlockRecord *record = as_record(block);
  return record ? record->size : 0;
}

bool memory_block_is_locked(MemoryBlock block) {
  BlockRecord *record = as_record(block);
  return record && record->locks > 0;
}

void memory_block_free(MemoryBlock block) {
  BlockRecord *record = as_record(block);
  if (!record)
    return;
  record->magic = 0;
  std::free(record->data);
  std::free(record);
}

//===-- Threads -----------------------------------------------------------===//

ThreadId current_thread_id() { return static_cast<ThreadId>(::pthread_self()); }

static_assert(sizeof(pthread_mutex_t) <= 64,
              "CriticalSection storage too small");

CriticalSection::CriticalSection() noexcept {
  ::pthread_mutex_init(new (storage_) pthread_mutex_t, nullptr);
}

CriticalSection::~CriticalSection() {
  ::pthread_mutex_destroy(reinterpret_cast<pthread_mutex_t *>(storage_));
}

void CriticalSection::enter() {
  ::pthread_mutex_lock(reinterpret_cast<pthread_mutex_t *>(storage_));
}

void CriticalSection::leave() {
  ::pthread_mutex_unlock(reinterpret_cast<pthread_mutex_t *>(storage_));
}

//===-- Runtime streams ---------------------------------------------------===//

std::FILE *open_descriptor(int descriptor, const char *mode, bool duplicate) {
  int opened = duplicate ? ::dup(descriptor) : descriptor;
  if (opened < 0)
    return nullptr;
  std::FILE *file = ::fdopen(opened, mode);
  if (!file) {
    int error = errno;
    ::close(opened);
    errno = error;
  }
  return file;
}

//===-- Message formatting ------------------------------------------------===//
//
// The Windows build hands patterns to FormatMessageA; this is the same
// formatter for Linux, written to give the same text for the same pattern.

namespace {

// One "%n!fmt!" insert, parsed.
struct Insert {
  int number = 0;    // argument number, 1..99
  std::string flags; // printf flags
  bool star_width = false;
  bool star_precision = false;
  std::string width;     // digits, when not "*"
  std::string precision; // digits after ".", when not ".*"; "" means none
  bool has_precision = false;
  bool is_short = false; // "h": the value is cut to 16 bits
  char conversion = 0;   // 0 when the format names none: nothing is inserted
  std::size_t end = 0;   // pattern position after the insert
};

enum class ArgKind { number, text };

bool is_flag(char c) { return std::strchr("-+ #0", c) != nullptr && c != '\0'; }

// Parses the insert whose number starts at pattern[pos]; false when it is
// left open.
bool parse_insert(const char *pattern, std::size_t pos, Insert &insert) {
  int number = pattern[pos] - '0';
  ++pos;
  if (pattern[pos] >= '0' && pattern[pos] <= '9') {
    number = number * 10 + (pattern[pos] - '0');
    ++pos;
  }
  insert.number = number;
  if (pattern[pos] != '!') {
    insert.conversion = 's';
    insert.end = pos;
    return true;
  }
  const char *format = pattern + pos + 1;
  const char *close = std::strchr(format, '!');
  if (!close)
    return false;
  insert.end = static_cast<std::size_t>(close - pattern) + 1;
  const char *p = format;
  while (p < close && is_flag(*p))
    insert.flags += *p++;
  if (p < close && *p == '*') {
    insert.star_width = true;
    ++p;
  }
  while (p < close && *p >= '0' && *p <= '9')
    insert.width += *p++;
  if (p < close && *p == '.') {
    insert.has_precision = true;
    ++p;
    if (p < close && *p == '*') {
      insert.star_precision = true;
      ++p;
    }
    while (p < close && *p >= '0' && *p <= '9')
      insert.precision += *p++;
  }
  // Length modifiers: arguments are 32-bit slots, so only "h" changes a value.
  if (p + 1 < close && p[0] == 'h' && p[1] == 'h') {
    p += 2;
  } else if (p < close && *p == 'h') {
    insert.is_short = true;
    ++p;
  } else if (p + 2 < close && p[0] == 'I' && p[1] == '6' && p[2] == '4') {
    p += 3;
  } else {
    while (p < close && (*p == 'l' || *p == 'z' || *p == 'L'))
      ++p;
  }
  if (p + 1 == close && std::strchr("diuxXocspSeEfgG", *p))
    insert.conversion = *p;
  return true;
}

int value_slot(const Insert &insert) {
  return insert.number + (insert.star_width ? 1 : 0) +
         (insert.star_precision ? 1 : 0);
}

void format_insert(std::string &out, const Insert &insert,
                   const std::vector<long long> &numbers,
                   const std::vector<const char *> &texts) {
  if (!insert.conversion)
    return;
  char conversion = insert.conversion;
  if (std::strchr("eEfgG", conversion)) {
    out += conversion; // the system formatter has no floating point
    return;
  }
  int slot = insert.number;
  std::string directive = "%" + insert.flags;
  if (insert.star_width)
    directive += std::to_string(static_cast<int>(numbers[slot++]));
  else
    directive += insert.width;
  if (insert.has_precision) {
    directive += '.';
    if (insert.star_precision)
      directive += std::to_string(static_cast<int>(numbers[slot++]));
    else
      directive += insert.precision;
  }
  char buffer[512];
  std::vector<char> large;
  auto print = [&](auto value) {
    int n = std::snprintf(buffer, sizeof buffer, directive.c_str(), value);
    if (n < 0)
      return;
    if (static_cast<std::size_t>(n) < sizeof buffer) {
      out.append(buffer, static_cast<std::size_t>(n));
      return;
    }
    large.resize(static_cast<std::size_t>(n) + 1);
    (void)std::snprintf(large.data(), large.size(), directive.c_str(), value);
    out.append(large.data(), static_cast<std::size_t>(n));
  };
  auto as_32 = [&](long long v) -> std::uint32_t {
    auto u = static_cast<std::uint32_t>(v);
    return insert.is_short ? static_cast<std::uint16_t>(u) : u;
  };
  switch (conversion) {
  case 's':
  case 'S': {
    directive += 's';
    const char *text = texts[slot];
    print(text ? text : "(null)");
    break;
  }
  case 'p':
    directive = "%08X"; // a 32-bit address, as the system formatter prints it
    print(static_cast<unsigned>(as_32(numbers[slot])));
    break;
  case 'c':
    directive += 'c';
    print(static_cast<int>(static_cast<unsigned char>(numbers[slot])));
    break;
  case 'd':
  case 'i':
    directive += 'd';
    print(insert.is_short
              ? static_cast<int>(static_cast<std::int16_t>(numbers[slot]))
              : static_cast<int>(static_cast<std::int32_t>(numbers[slot])));
    break;
  default:
    directive += conversion;
    print(static_cast<unsigned>(as_32(numbers[slot])));
    break;
  }
}

} // namespace

PositionalFormat format_positional(std::string &out, const char *pattern,
                                   std::va_list args) {
  // First pass: which arguments are texts, and is the pattern well formed?
  std::vector<Insert> inserts;
  std::vector<ArgKind> kinds(1, ArgKind::number);
  for (std::size_t i = 0; pattern[i]; ++i) {
    if (pattern[i] != '%')
      continue;
    char next = pattern[i + 1];
    if (next == '\0')
      return PositionalFormat::malformed;
    if (next >= '1' && next <= '9') {
      Insert insert;
      if (!parse_insert(pattern, i + 1, insert))
        return PositionalFormat::malformed;
      int slot = value_slot(insert);
      if (kinds.size() <= static_cast<std::size_t>(slot))
        kinds.resize(static_cast<std::size_t>(slot) + 1, ArgKind::number);
      if (insert.conversion == 's' || insert.conversion == 'S')
        kinds[static_cast<std::size_t>(slot)] = ArgKind::text;
      inserts.push_back(insert);
      i = insert.end - 1;
      continue;
    }
    ++i;
  }

  // The system formatter reads the argument list as numbered slots, in order.
  std::vector<long long> numbers(kinds.size(), 0);
  std::vector<const char *> texts(kinds.size(), nullptr);
  std::va_list copy;
  va_copy(copy, args);
  for (std::size_t n = 1; n < kinds.size(); ++n) {
    if (kinds[n] == ArgKind::text)
      texts[n] = va_arg(copy, const char *);
    else
      numbers[n] = va_arg(copy, int);
  }
  va_end(copy);

  std::string result;
  std::size_t next_insert = 0;
  for (std::size_t i = 0; pattern[i]; ++i) {
    char c = pattern[i];
    if (c == '\r' || c == '\n') {
      result += "\r\n";
      if (c == '\r' && pattern[i + 1] == '\n')
        ++i;
      continue;
    }
    if (c != '%') {
      result += c;
      continue;
    }
    char next = pattern[i + 1];
    if (next >= '1' && next <= '9') {
      const Insert &insert = inserts[next_insert++];
      format_insert(result, insert, numbers, texts);
      i = insert.end - 1;
      continue;
    }
    ++i;
    if (next == '0')
      break;
    if (next == 'n')
      result += "\r\n";
    else if (next == 'r')
      result += '\r';
    else if (next == 't')
      result += '\t';
    else
      result += next;
  }
  out.swap(result);
  return PositionalFormat::done;
}

} // namespace platform
