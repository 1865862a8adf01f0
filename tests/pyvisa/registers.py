"""The substitute VISA library's register access and the attributes pyvisa reads at open, driven
by Debian's pyvisa: each call goes through the function pyvisa binds for it.

Run: /usr/bin/python3 registers.py /abs/path/libvisa.so  (ctest runs it with the built library)
"""

import pyvisa
from pyvisa import constants

from scenario_case import ScenarioCase, main

SCENARIO = """
resources:
  - name: VXI0::24::INSTR
    manufacturer: 0xFFF
    model: 0x154
    module: {ports: [0x1111, 0x2222, 0x3333, 0x4444]}
  - name: GPIB0::9::INSTR
    idn: "OTHERCO,DMM 100,1234,2.0"
"""

A16 = constants.AddressSpace.a16
Status = constants.StatusCode


class Registers(ScenarioCase):
    SCENARIO = SCENARIO

    def open(self, name="VXI0::24::INSTR"):
        resource = self.rm.open_resource(name)
        self.addCleanup(resource.close)
        return resource

    def refused(self, status, call, *args):
        with self.assertRaises(pyvisa.VisaIOError) as raised:
            call(*args)
        self.assertEqual(raised.exception.error_code, status, call)

    def test_properties_read_at_open(self):
        vxi = self.open()
        self.assertEqual(vxi.io_protocol, constants.IOProtocol.normal)
        self.assertFalse(vxi.allow_dma)
        self.assertTrue(vxi.is_4882_compliant)
        self.assertEqual((vxi.source_increment, vxi.destination_increment), (1, 1))
        self.assertEqual((vxi.manufacturer_id, vxi.model_code), (0xFFF, 0x154))
        vxi.allow_dma = True
        self.assertTrue(vxi.allow_dma)
        vxi.source_increment = 0
        self.assertEqual(vxi.source_increment, 0)
        C = constants
        get, set_ = vxi.get_visa_attribute, vxi.set_visa_attribute
        self.assertEqual(get(C.VI_ATTR_RD_BUF_OPER_MODE), C.VI_FLUSH_ON_ACCESS)
        self.assertEqual(get(C.VI_ATTR_WR_BUF_OPER_MODE), C.VI_FLUSH_WHEN_FULL)
        self.assertEqual(get(C.VI_ATTR_WIN_ACCESS), C.VI_NMAPPED)
        self.assertFalse(get(C.VI_ATTR_FILE_APPEND_EN))
        self.refused(Status.error_nonsupported_attribute_state, set_, C.VI_ATTR_IO_PROT, 2)
        self.refused(Status.error_nonsupported_attribute_state, set_, C.VI_ATTR_SRC_INCREMENT, 2)
        self.refused(Status.error_attribute_read_only, set_, C.VI_ATTR_4882_COMPLIANT, 0)
        self.refused(Status.error_attribute_read_only, set_, C.VI_ATTR_RD_BUF_SIZE, 10)
        # A message-based device has no registers to move through.
        gpib = self.open("GPIB0::9::INSTR")
        self.assertEqual(gpib.get_visa_attribute(C.VI_ATTR_IO_PROT), C.VI_PROT_NORMAL)
        self.refused(Status.error_nonsupported_attribute, gpib.get_visa_attribute,
                     C.VI_ATTR_SRC_INCREMENT)
        self.refused(Status.error_nonsupported_attribute, self.rm.visalib.get_attribute,
                     self.rm.session, C.VI_ATTR_IO_PROT)

    def test_moves_windows_and_widths(self):
        vxi = self.open()
        lib = self.rm.visalib
        self.assertEqual(vxi.move_in(A16, 0, 2, 16), [0xCFFF, 0xF154])
        self.assertEqual(vxi.move_in(A16, 1, 3, 8), [0xFF, 0xF1, 0x54])
        self.assertEqual(vxi.read_memory(A16, 3, 8), 0x54)
        self.assertEqual(vxi.move_out(A16, 4, 2, [1, 2], 16), Status.success)
        self.refused(Status.error_invalid_width, vxi.move_in, A16, 0, 2, 32)
        self.refused(Status.error_invalid_width, vxi.read_memory, A16, 0, 64)
        self.refused(Status.error_invalid_length, vxi.move_in, A16, 0x3E, 2, 16)
        address, status = lib.map_address(vxi.session, A16, 2, 4)
        self.assertEqual(status, Status.success)
        self.assertEqual(lib.peek(vxi.session, address, 16)[0], 0xF154)
        self.assertEqual(lib.unmap_address(vxi.session), Status.success)
        self.refused(Status.error_window_not_mapped, lib.unmap_address, vxi.session)


if __name__ == "__main__":
    main("Registers")
