// Conditions of the setup database: the grayout-if and suppress-if expressions around a
// question, kept as the elements the forms pack lists (in opcode order, mostly infix), and
// their evaluation. Plain C++ without Windows headers: what an operand reads comes from an
// OperandSource that the caller supplies (the firmware's variables in the server).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A vendor GUID as the firmware stores it (32-bit, 16-bit, 16-bit little-endian, 8 bytes).
struct FirmwareGuid {
    std::array<uint8_t, 16> bytes{};
    bool operator==(const FirmwareGuid&) const = default;
};

// The setup variable: "Setup" with the setup GUID. Only questions stored there are tokens.
extern const char16_t SETUP_VARIABLE_NAME[];
extern const FirmwareGuid SETUP_VARIABLE_GUID;

// What the operands of an expression read.
class OperandSource {
public:
    virtual ~OperandSource() = default;
    // `width` bytes of the variable from `offset`; false when they cannot be read.
    virtual bool ReadQuestionBytes(const std::u16string& variable, const FirmwareGuid& guid, uint16_t offset,
        uint8_t width, std::vector<uint8_t>& bytes) = 0;
    // The platform's value for an EQ_VAR_VAL variable id; false when the platform has none.
    virtual bool GetEqVarValue(uint16_t variableId, uint16_t& value) = 0;
};

struct S_BOOL_ELEMENT {
    enum class Kind { Operand, Operator };
    explicit S_BOOL_ELEMENT(Kind kind) : m_kind(kind) {}
    virtual ~S_BOOL_ELEMENT() = default;
    virtual std::unique_ptr<S_BOOL_ELEMENT> Copy() const = 0;

    Kind m_kind;
    bool m_bResult = false;
};

struct S_BOOL_OPERATOR : S_BOOL_ELEMENT {
    explicit S_BOOL_OPERATOR(unsigned operands) : S_BOOL_ELEMENT(Kind::Operator), m_nOperands(operands) {}
    // `operands` in the order they were pushed.
    virtual bool Apply(const bool* operands) const = 0;
    unsigned m_nOperands;
};

struct S_BOOL_AND final : S_BOOL_OPERATOR {
    S_BOOL_AND() : S_BOOL_OPERATOR(2) {}
    std::unique_ptr<S_BOOL_ELEMENT> Copy() const override { return std::make_unique<S_BOOL_AND>(*this); }
    bool Apply(const bool* operands) const override { return operands[0] && operands[1]; }
};

struct S_BOOL_OR final : S_BOOL_OPERATOR {
    S_BOOL_OR() : S_BOOL_OPERATOR(2) {}
    std::unique_ptr<S_BOOL_ELEMENT> Copy() const override { return std::make_unique<S_BOOL_OR>(*this); }
    bool Apply(const bool* operands) const override { return operands[0] || operands[1]; }
};

struct S_BOOL_NOT final : S_BOOL_OPERATOR {
    S_BOOL_NOT() : S_BOOL_OPERATOR(1) {}
    std::unique_ptr<S_BOOL_ELEMENT> Copy() const override { return std::make_unique<S_BOOL_NOT>(*this); }
    bool Apply(const bool* operands) const override { return !operands[0]; }
};

struct S_BOOL_OPERAND : S_BOOL_ELEMENT {
    enum class Type { EqIdVal = 0, EqIdId = 1, EqIdList = 2, EqVarVal = 3 };
    explicit S_BOOL_OPERAND(Type type) : S_BOOL_ELEMENT(Kind::Operand), m_type(type) {}
    Type m_type;
};

// An operand of the setup database; it reads the variable of its expression.
struct S_HII_BOOL_OPERAND : S_BOOL_OPERAND {
    using S_BOOL_OPERAND::S_BOOL_OPERAND;
    // False when what it needs cannot be read.
    virtual bool Evaluate(const std::u16string& variable, const FirmwareGuid& guid, OperandSource& source) = 0;
    // Operands that compare question values, as opposed to platform conditions.
    bool ReadsQuestions() const { return m_type != Type::EqVarVal; }
};

struct S_BOOL_EQ_ID_VAL final : S_HII_BOOL_OPERAND {
    S_BOOL_EQ_ID_VAL(uint16_t questionId, uint8_t width, uint16_t value)
        : S_HII_BOOL_OPERAND(Type::EqIdVal), m_questionId(questionId), m_width(width), m_value(value) {}
    std::unique_ptr<S_BOOL_ELEMENT> Copy() const override { return std::make_unique<S_BOOL_EQ_ID_VAL>(*this); }
    bool Evaluate(const std::u16string& variable, const FirmwareGuid& guid, OperandSource& source) override;
    uint16_t m_questionId;
    uint8_t m_width;
    uint16_t m_value;
};

struct S_BOOL_EQ_ID_ID final : S_HII_BOOL_OPERAND {
    S_BOOL_EQ_ID_ID(uint16_t questionId, uint8_t width, uint16_t secondQuestionId)
        : S_HII_BOOL_OPERAND(Type::EqIdId), m_questionId(questionId), m_width(width),
          m_secondQuestionId(secondQuestionId) {}
    std::unique_ptr<S_BOOL_ELEMENT> Copy() const override { return std::make_unique<S_BOOL_EQ_ID_ID>(*this); }
    bool Evaluate(const std::u16string& variable, const FirmwareGuid& guid, OperandSource& source) override;
    uint16_t m_questionId;
    uint8_t m_width;
    uint16_t m_secondQuestionId;
};

struct S_BOOL_EQ_ID_LIST final : S_HII_BOOL_OPERAND {
    S_BOOL_EQ_ID_LIST(uint16_t questionId, uint8_t width, std::vector<uint16_t> values)
        : S_HII_BOOL_OPERAND(Type::EqIdList), m_questionId(questionId), m_width(width), m_values(std::move(values)) {}
    std::unique_ptr<S_BOOL_ELEMENT> Copy() const override { return std::make_unique<S_BOOL_EQ_ID_LIST>(*this); }
    // What a list comparison should answer is not settled for this firmware; it answers false.
    bool Evaluate(const std::u16string&, const FirmwareGuid&, OperandSource&) override
    {
        m_bResult = false;
        return true;
    }
    uint16_t m_questionId;
    uint8_t m_width;
    std::vector<uint16_t> m_values;
};

struct S_BOOL_EQ_VAR_VAL final : S_HII_BOOL_OPERAND {
    S_BOOL_EQ_VAR_VAL(uint16_t variableId, uint16_t value)
        : S_HII_BOOL_OPERAND(Type::EqVarVal), m_variableId(variableId), m_value(value) {}
    std::unique_ptr<S_BOOL_ELEMENT> Copy() const override { return std::make_unique<S_BOOL_EQ_VAR_VAL>(*this); }
    bool Evaluate(const std::u16string& variable, const FirmwareGuid& guid, OperandSource& source) override;
    uint16_t m_variableId;
    uint16_t m_value;
};

enum class ExpressionResult { NoResult, True, False, Failed };

class CBooleanExpression {
public:
    CBooleanExpression() = default;
    CBooleanExpression(const CBooleanExpression& other);
    CBooleanExpression& operator=(const CBooleanExpression& other);
    CBooleanExpression(CBooleanExpression&&) noexcept = default;
    CBooleanExpression& operator=(CBooleanExpression&&) noexcept = default;
    virtual ~CBooleanExpression() = default;

    void Add(std::unique_ptr<S_BOOL_ELEMENT> element) { m_elements.push_back(std::move(element)); }
    const std::vector<std::unique_ptr<S_BOOL_ELEMENT>>& Elements() const { return m_elements; }
    bool IsEmpty() const { return m_elements.empty(); }

protected:
    // Reduces the elements, whose operands hold their results already.
    ExpressionResult Reduce() const;

    std::vector<std::unique_ptr<S_BOOL_ELEMENT>> m_elements;
};

class CHiiBooleanExpression : public CBooleanExpression {
public:
    CHiiBooleanExpression() = default;
    CHiiBooleanExpression(std::u16string variable, const FirmwareGuid& guid)
        : m_variable(std::move(variable)), m_guid(guid) {}

    void SetVariable(std::u16string variable, const FirmwareGuid& guid)
    {
        m_variable = std::move(variable);
        m_guid = guid;
    }
    const std::u16string& Variable() const { return m_variable; }
    const FirmwareGuid& VariableGuid() const { return m_guid; }

    // Evaluates every operand against the variable, then reduces. An empty expression
    // answers NoResult; a read failure or a malformed expression Failed.
    ExpressionResult Evaluate(OperandSource& source);

    // The expression's platform part: what it says when the values of questions are left
    // out, so that it depends only on EQ_VAR_VAL conditions.
    CHiiBooleanExpression PlatformPart() const;

private:
    std::u16string m_variable;
    FirmwareGuid m_guid;
};
