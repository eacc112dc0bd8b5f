// matrix - CDoubleData, one double as a framework object.
#include <matrix/frame.h>

IMPLEMENT_DYNAMIC(CDoubleData, CObject)

CDoubleData::CDoubleData() : m_value(0.0) {}
CDoubleData::CDoubleData(double value) : m_value(value) {}
CDoubleData::~CDoubleData() = default;

CDoubleData& CDoubleData::operator=(CDoubleData const& other) {
  m_value = other.m_value;
  return *this;
}
void CDoubleData::operator=(double& value) { m_value = value; }

int CDoubleData::operator==(double const& value) const {
  return m_value == value ? 1 : 0;
}
int CDoubleData::operator==(CDoubleData const& other) const {
  return this == &other ? 1 : 0;
}

CDoubleData& CDoubleData::operator+(double const& value) {
  m_value = m_value + value;
  return *this;
}
CDoubleData& CDoubleData::operator+(CDoubleData const& other) {
  m_value = m_value + other.m_value;
  return *this;
}
CDoubleData& CDoubleData::operator-(double const& value) {
  m_value = m_value - value;
  return *this;
}
CDoubleData& CDoubleData::operator-(CDoubleData const& other) {
  m_value = m_value - other.m_value;
  return *this;
}
CDoubleData& CDoubleData::operator*(double const& value) {
  m_value = m_value * value;
  return *this;
}
CDoubleData& CDoubleData::operator*(CDoubleData const& other) {
  m_value = m_value * other.m_value;
  return *this;
}
CDoubleData& CDoubleData::operator/(double const& value) {
  m_value = m_value / value;
  return *this;
}
CDoubleData& CDoubleData::operator/(CDoubleData const& other) {
  m_value = m_value / other.m_value;
  return *this;
}

double CDoubleData::Data() { return m_value; }
void CDoubleData::SetData(double value) { m_value = value; }
