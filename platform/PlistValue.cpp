#include "platform/PlistValue.h"

PlistValue::PlistValue(PlistDictionary d) : v_(std::make_shared<PlistDictionary>(std::move(d))) {}

PlistValue PlistValue::dictionary() { return PlistValue(PlistDictionary{}); }

PlistArray *PlistValue::asArray() const {
    auto p = std::get_if<std::shared_ptr<PlistArray>>(&v_);
    return p ? p->get() : nullptr;
}

PlistDictionary *PlistValue::asDictionary() const {
    auto p = std::get_if<std::shared_ptr<PlistDictionary>>(&v_);
    return p ? p->get() : nullptr;
}

bool PlistValue::numberValue(double &out) const {
    if (auto i = asInteger()) {
        out = static_cast<double>(*i);
        return true;
    }
    if (auto r = asReal()) {
        out = *r;
        return true;
    }
    return false;
}

PlistValue PlistValue::deepCopy() const {
    if (const PlistArray *a = asArray()) {
        PlistArray copy;
        copy.reserve(a->size());
        for (const PlistValue &e : *a)
            copy.push_back(e.deepCopy());
        return PlistValue(std::move(copy));
    }
    if (const PlistDictionary *d = asDictionary()) {
        PlistDictionary copy;
        for (const auto &[k, e] : *d)
            copy.setObject(e.deepCopy(), k);
        return PlistValue(std::move(copy));
    }
    return *this;
}

bool PlistValue::operator==(const PlistValue &o) const {
    if (type() != o.type())
        return false;
    if (const PlistArray *a = asArray())
        return *a == *o.asArray();
    if (const PlistDictionary *d = asDictionary())
        return static_cast<const OrderedDictionary<PlistValue> &>(*d) == *o.asDictionary();
    return v_ == o.v_;
}
