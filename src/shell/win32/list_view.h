// A thin wrapper over the common controls' list view (report view with
// check boxes) and the image list of the six record types.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <initializer_list>

namespace morvane::w32ui {

class ListViewControl {
 public:
  explicit ListViewControl(HWND hwnd = nullptr) : hwnd_(hwnd) {}
  HWND Handle() const { return hwnd_; }

  // Full-row selection and tips; check boxes when asked.
  void SetCheckListStyle(bool checkBoxes = true);
  bool HasCheckBoxes() const;
  void InsertColumn(int index, const char* caption, int widthPixels);
  int ColumnCount() const;
  void SetImageList(HIMAGELIST images);
  // Appends a row with its text and image (-1: none); returns its index.
  int AddItem(const char* text, int image);
  void SetSubItem(int item, int subItem, const char* text);
  void SetCheckState(int item, bool checked);
  bool GetCheckState(int item) const;
  // Columns as wide as their texts; the main column keeps its whole texts
  // where the list's width allows.
  void FitColumns(int mainColumn);
  void DeleteAllItems();
  int ItemCount() const;
  void SetRedraw(bool on);

 private:
  HWND hwnd_;
};

// A 16x16 image list made of the given icon resources, in order.
HIMAGELIST MakeImageList(HINSTANCE instance, std::initializer_list<int> iconIds);

}  // namespace morvane::w32ui
