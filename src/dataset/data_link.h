#pragma once
// Observers of a dataset: a data source joins a dataset to any number of
// data links (controls, master/detail links); each data event of the dataset
// reaches every link of every enabled source.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dataset/db_types.h"

namespace dataset {

class TDataSet;
class TDataSource;
class TField;

// What a data-aware control behind a link offers to the dataset's modes
// that restyle controls (query by example): its colours, whether it shows a
// caption, its MaxLength when it has one, and the field it shows.
class TDataControl {
 public:
  virtual ~TDataControl() = default;
  virtual int32_t Color() const = 0;
  virtual void SetColor(int32_t color) = 0;
  virtual int32_t FontColor() const = 0;
  virtual void SetFontColor(int32_t color) = 0;
  virtual bool HasCaption() const = 0;
  virtual bool HasMaxLength() const = 0;
  virtual int MaxLength() const = 0;
  virtual void SetMaxLength(int length) = 0;
  virtual std::string DataField() const = 0;
};

// The standard colours of a control: the window's and the window text's.
inline constexpr int32_t clWindow = static_cast<int32_t>(0x80000005);
inline constexpr int32_t clWindowText = static_cast<int32_t>(0x80000008);

class TDataLink {
 public:
  TDataLink() = default;
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return dataSource_; }
  void SetDataSource(TDataSource* source);
  TDataSet* DataSet() const;
  // The linked dataset is open and its source enabled.
  bool Active() const { return active_; }
  bool Editing() const { return editing_; }
  // Puts the dataset into edit state; answers whether it is editing.
  bool Edit();
  // Asks the link to write pending edits into the record.
  void UpdateRecord();

  // Dispatches one data event to the handlers below.
  virtual void DataEvent(TDataEvent event, TField* field);
  // The control behind the link, when it is a data-aware control.
  virtual TDataControl* Control() { return nullptr; }

 protected:
  virtual void ActiveChanged() {}
  virtual void EditingChanged() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled() { DataSetChanged(); }
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField*) {}
  virtual void UpdateData() {}
  virtual void CheckBrowseMode() {}
  virtual void FocusControl(TField*) {}

 private:
  friend class TDataSource;
  void UpdateState();

  TDataSource* dataSource_ = nullptr;
  bool active_ = false;
  bool editing_ = false;
  bool updating_ = false;
};

class TDataSource {
 public:
  using TNotify = std::function<void(TDataSource&)>;
  using TDataChange = std::function<void(TDataSource&, TField*)>;

  explicit TDataSource(TDataSet* dataSet = nullptr);
  ~TDataSource();
  TDataSource(const TDataSource&) = delete;
  TDataSource& operator=(const TDataSource&) = delete;

  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* dataSet);
  const std::vector<TDataLink*>& Links() const { return links_; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // The dataset's state, inactive when there is none or the source is off.
  TDataSetState State() const { return state_; }

  TNotify OnStateChange;
  TDataChange OnDataChange;
  TNotify OnUpdateData;

 private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent event, TField* field);
  void NotifyLinks(TDataEvent event, TField* field);
  void UpdateState();
  void AddLink(TDataLink* link) { links_.push_back(link); }
  void RemoveLink(TDataLink* link);

  TDataSet* dataSet_ = nullptr;
  bool enabled_ = true;
  TDataSetState state_ = TDataSetState::dsInactive;
  std::vector<TDataLink*> links_;
};

}  // namespace dataset
