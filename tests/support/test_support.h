// Fixtures shared by the Windows test programs: registry values, scratch folders, files.
#pragma once
#include <windows.h>

#include <string>

namespace testing_support {

// Sets (or deletes, when value is null) one registry value for the life of the object, and puts the
// old state back afterwards. Keys it had to create are removed again.
class scoped_reg_value {
 public:
  scoped_reg_value(HKEY root, const char* subkey, const char* name, const DWORD* value);
  scoped_reg_value(HKEY root, const char* subkey, const char* name, const char* value, DWORD type = REG_SZ);
  ~scoped_reg_value();
  scoped_reg_value(const scoped_reg_value&) = delete;
  scoped_reg_value& operator=(const scoped_reg_value&) = delete;

 private:
  void remember();
  void write(DWORD type, const void* data, DWORD size);
  HKEY root_;
  std::string subkey_, name_;
  bool had_value_ = false;
  bool created_key_ = false;
  DWORD old_type_ = 0;
  std::string old_data_;
};

// A fresh folder under the temporary folder, removed with everything in it afterwards. Its path ends
// in a backslash.
class scratch_folder {
 public:
  scratch_folder();
  ~scratch_folder();
  scratch_folder(const scratch_folder&) = delete;
  scratch_folder& operator=(const scratch_folder&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const char* name) const { return path_ + name; }

 private:
  std::string path_;
};

// The machine-wide product data folder (common application data, then "Kestrom\\Corvane Suite\\"),
// made if missing.
std::string product_data_folder();

// A file of the product data folder that a test may change: removed for the test, its old content put
// back afterwards, and the profile cache dropped both times.
class saved_data_file {
 public:
  explicit saved_data_file(const char* name);
  ~saved_data_file();
  saved_data_file(const saved_data_file&) = delete;
  saved_data_file& operator=(const saved_data_file&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool existed_ = false;
  std::string old_;
};

std::string read_file(const std::string& path);
bool write_file(const std::string& path, const std::string& bytes);
bool file_exists(const std::string& path);
void remove_tree(const std::string& path);
// The folder the build puts every product module in (relaymx.tbp, rk_gui.dll, ...), ending in a
// backslash. Test programs live elsewhere.
std::string program_folder();

}  // namespace testing_support
