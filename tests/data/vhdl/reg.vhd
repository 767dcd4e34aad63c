-- One pipeline register stage.
library ieee;
use ieee.std_logic_1164.all;

entity reg is
  generic(DATA_WIDTH : integer := 8);
  port(
    RESET : in std_logic;
    CLK   : in std_logic;
    X     : in std_logic_vector(DATA_WIDTH-1 downto 0);
    Q     : out std_logic_vector(DATA_WIDTH-1 downto 0)
  );
end entity;

architecture rtl of reg is
begin
  process(CLK)
  begin
    if rising_edge(CLK) then
      if RESET = '1' then
        Q <= (others => '0');
      else
        Q <= X;
      end if;
    end if;
  end process;
end architecture;
