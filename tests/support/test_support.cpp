#include "tests/support/test_support.h"

#include <shlobj.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace testing_support {

scoped_reg_value::scoped_reg_value(HKEY root, const char* subkey, const char* name, const DWORD* value)
    : root_(root), subkey_(subkey), name_(name ? name : "") {
  remember();
  if (value)
    write(REG_DWORD, value, sizeof(*value));
  else
    write(REG_NONE, nullptr, 0);
}

scoped_reg_value::scoped_reg_value(HKEY root, const char* subkey, const char* name, const char* value,
                                   DWORD type)
    : root_(root), subkey_(subkey), name_(name ? name : "") {
  remember();
  if (value)
    write(type, value, static_cast<DWORD>(strlen(value) + 1));
  else
    write(REG_NONE, nullptr, 0);
}

void scoped_reg_value::remember() {
  HKEY key;
  if (RegOpenKeyExA(root_, subkey_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    created_key_ = true;
    return;
  }
  DWORD size = 0;
  if (RegQueryValueExA(key, name_.c_str(), nullptr, &old_type_, nullptr, &size) == ERROR_SUCCESS) {
    old_data_.resize(size);
    RegQueryValueExA(key, name_.c_str(), nullptr, &old_type_, reinterpret_cast<BYTE*>(&old_data_[0]), &size);
    had_value_ = true;
  }
  RegCloseKey(key);
}

// REG_NONE with no data means: make sure the value is absent.
void scoped_reg_value::write(DWORD type, const void* data, DWORD size) {
  HKEY key;
  if (RegCreateKeyExA(root_, subkey_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  if (type == REG_NONE && !data)
    RegDeleteValueA(key, name_.c_str());
  else
    RegSetValueExA(key, name_.c_str(), 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}

scoped_reg_value::~scoped_reg_value() {
  if (created_key_) {
    RegDeleteTreeA(root_, subkey_.c_str());
    RegDeleteKeyA(root_, subkey_.c_str());
    return;
  }
  if (had_value_)
    write(old_type_, old_data_.data(), static_cast<DWORD>(old_data_.size()));
  else
    write(REG_NONE, nullptr, 0);
}

scratch_folder::scratch_folder() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  static int counter = 0;
  for (;;) {
    char name[MAX_PATH];
    snprintf(name, sizeof(name), "%srmx_%lu_%d\\", temp, GetCurrentProcessId(), ++counter);
    if (CreateDirectoryA(name, nullptr)) {
      path_ = name;
      return;
    }
  }
}

scratch_folder::~scratch_folder() { remove_tree(path_); }

void remove_tree(const std::string& path) {
  std::string folder = path;
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = folder + "\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        remove_tree(full);
      } else {
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

std::string product_data_folder() {
  char buf[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, buf);
  std::string folder = std::string(buf) + "\\Kestrom\\Corvane Suite\\";
  SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
  return folder;
}

saved_data_file::saved_data_file(const char* name) : path_(product_data_folder() + name) {
  existed_ = file_exists(path_);
  if (existed_) old_ = read_file(path_);
  DeleteFileA(path_.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str());  // drop cached profile data
}

saved_data_file::~saved_data_file() {
  DeleteFileA(path_.c_str());
  if (existed_) write_file(path_, old_);
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str());
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

bool file_exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The build passes the folder as a Unix path; Wine shows the Unix root as drive Z:.
std::string program_folder() {
  std::string path = RELAYMX_PRODUCT_DIR;
  for (char& c : path)
    if (c == '/') c = '\\';
  return "Z:" + path;
}

}  // namespace testing_support
