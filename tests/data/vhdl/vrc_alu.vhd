-- A stand-in processing element with the ports the generated filters instantiate. No port has a
-- default, so a filter that leaves one unassociated does not elaborate.
library ieee;
use ieee.std_logic_1164.all;

entity vrc_alu is
  generic(DATA_WIDTH : integer := 8);
  port(
    RESET : in std_logic;
    CLK   : in std_logic;
    X     : in std_logic_vector(DATA_WIDTH-1 downto 0);
    Y     : in std_logic_vector(DATA_WIDTH-1 downto 0);
    SEL   : in std_logic_vector(3 downto 0);
    Q     : out std_logic_vector(DATA_WIDTH-1 downto 0)
  );
end entity;

architecture rtl of vrc_alu is
begin
  process(CLK)
  begin
    if rising_edge(CLK) then
      if RESET = '1' then
        Q <= (others => '0');
      elsif SEL(0) = '1' then
        Q <= X xor Y;
      else
        Q <= X and Y;
      end if;
    end if;
  end process;
end architecture;
