"""Members with by-reference parameters answer (result, final by-ref values...)."""


def test_sub_answers_none_then_each_byref_value(sample):
    assert sample.Swap("a", 2) == (None, 2, "a")


def test_function_answers_result_then_byref_values_passed(rc, sample):
    assert sample.Divide(7, 2, 0) == (3, 1)
    assert sample.Divide(7, 2, 0, "") == (3, 1, "inexact")
    assert sample.Divide(8, 2, 0, note="?") == (4, 0, "exact")
    assert sample.Divide(7, 2, 0, rc.Missing) == (3, 1)


def test_byref_values_take_the_parameter_type(sample):
    # remainder is a Long parameter: the text passed comes back as a number.
    assert sample.Divide(9, 4, "0") == (2, 1)


def test_members_without_byref_parameters_answer_plain_values(sample):
    assert sample.Add(1) == 11
    assert sample.Vector() == [1, "two", 3.5]


def test_missing_omits_an_optional_argument(rc, sample):
    assert sample.Add(1, rc.Missing) == 11
    assert not rc.Missing
    assert repr(rc.Missing) == "ravelcrest.Missing"
