"""The module loads and names its parts."""

import pellisor


def test_the_module_has_its_circuit_class():
    assert hasattr(pellisor, "Circuit")
