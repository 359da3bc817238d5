#include "map/line_reader.h"

void ReadControl::FinishFile(const TextFile& file) {
  Report();
  if (progress_) progress_->bytesRead += file.Size() - fileReported_;
  fileReported_ = 0;
}

void ReadControl::ReportAndCheck() {
  Report();
  CheckCancel(progress_);
  if (abandon_ && abandon_->load(std::memory_order_relaxed)) throw ELoadCancelled();
}

void ReadControl::Report() {
  if (progress_) progress_->bytesRead += unreported_;
  fileReported_ += unreported_;
  unreported_ = 0;
}
