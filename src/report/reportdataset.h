#pragma once

#include "report/expr/value.h"

#include <optional>
#include <string>

// A dataset as the report builder walks it: the adapter between a band and
// the records it prints. The program's adapter over the postcode table is
// TableDataset; a band whose dataset is a number walks a VirtualDataset.
namespace marlune::report {

class ReportDataset {
public:
    explicit ReportDataset(std::string name) : name_(std::move(name)) {}
    virtual ~ReportDataset() = default;
    ReportDataset(const ReportDataset&) = delete;
    ReportDataset& operator=(const ReportDataset&) = delete;

    // The component name a band's format text names ("TableDataset1").
    const std::string& Name() const { return name_; }
    // The name of the dataset behind the adapter ("Table1"), which field
    // references may use as well; empty when there is none.
    virtual std::string DataSetName() const { return {}; }

    // Raises marlune::Error when the dataset cannot be walked at all; asked
    // before a build starts.
    virtual void Check() const {}
    // Called once per build before the first record, and once after.
    virtual void Init() {}
    virtual void Exit() {}
    virtual void First() = 0;
    virtual void Next() = 0;
    virtual bool Eof() const = 0;
    // The record number within the current run, from 0.
    virtual int RecordNo() const = 0;

    // The current record's field of this name (case ignored), or nothing
    // when the dataset has no such field.
    virtual std::optional<expr::Value> FieldValue(const std::string& field) = 0;

private:
    std::string name_;
};

// A fixed number of empty records: a band prints that many times.
class VirtualDataset final : public ReportDataset {
public:
    VirtualDataset(std::string name, int count) : ReportDataset(std::move(name)), count_(count) {}
    void First() override { recNo_ = 0; }
    void Next() override { ++recNo_; }
    bool Eof() const override { return recNo_ >= count_; }
    int RecordNo() const override { return recNo_; }
    std::optional<expr::Value> FieldValue(const std::string& /*field*/) override
    {
        return std::nullopt;
    }

private:
    int count_;
    int recNo_ = 0;
};

} // namespace marlune::report
