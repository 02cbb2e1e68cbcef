#pragma once

// A library loader for tests that hands out libraries made of plain functions, and counts
// what is loaded.

#include <QString>
#include <map>
#include <memory>
#include <string>

#include "platform/library.h"

namespace ziptest {

class FakeLoader final : public td::LibraryLoader {
  public:
    // The exports of one library by file name; a name without an entry cannot be loaded.
    std::map<QString, std::map<std::string, void*>> libraries;
    int loads = 0;
    int live = 0;

    std::unique_ptr<td::LoadedLibrary> load(const QString& fileName) override {
        auto it = libraries.find(fileName);
        if (it == libraries.end()) {
            return nullptr;
        }
        ++loads;
        return std::make_unique<Library>(*this, fileName, it->second);
    }

  private:
    class Library final : public td::LoadedLibrary {
      public:
        Library(FakeLoader& owner, QString name, std::map<std::string, void*> exports)
            : m_owner(owner), m_name(std::move(name)), m_exports(std::move(exports)) {
            ++m_owner.live;
        }
        ~Library() override { --m_owner.live; }
        void* resolve(const char* name) const override {
            auto it = m_exports.find(name);
            return it == m_exports.end() ? nullptr : it->second;
        }
        QString path() const override { return m_name; }

      private:
        FakeLoader& m_owner;
        QString m_name;
        std::map<std::string, void*> m_exports;
    };
};

}  // namespace ziptest
