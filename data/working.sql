-- What a new hotel starts with: the modules (none enabled), the menu entries (all closed),
-- the business date, twelve accounting periods, and no business row.
:on error exit
USE hotel
GO

INSERT INTO LSXTMC (F_XTBH, F_XTMC, F_SFSY, F_QYNDQJ) VALUES ('KF', N'客房管理系统', '0', '000000')
INSERT INTO LSXTMC (F_XTBH, F_XTMC, F_SFSY, F_QYNDQJ) VALUES ('CY', N'餐饮管理系统', '0', '000000')
INSERT INTO LSXTMC (F_XTBH, F_XTMC, F_SFSY, F_QYNDQJ) VALUES ('XY', N'洗浴管理系统', '0', '000000')
INSERT INTO LSXTMC (F_XTBH, F_XTMC, F_SFSY, F_QYNDQJ) VALUES ('RS', N'人事管理系统', '0', '000000')
INSERT INTO LSXTMC (F_XTBH, F_XTMC, F_SFSY, F_QYNDQJ) VALUES ('KC', N'库存管理系统', '0', '000000')
INSERT INTO LSXTMC (F_XTBH, F_XTMC, F_SFSY, F_QYNDQJ) VALUES ('HY', N'会员管理系统', '0', '000000')
GO

INSERT INTO t_zd_menu (win_name, menu_name, ifini, gsxtxx_js) VALUES ('wel_main', N'迎宾接待', 'N', '0')
INSERT INTO t_zd_menu (win_name, menu_name, ifini, gsxtxx_js) VALUES ('pay_main', N'前台收银', 'N', '0')
INSERT INTO t_zd_menu (win_name, menu_name, ifini, gsxtxx_js) VALUES ('roo_main', N'客房管理', 'N', '0')
INSERT INTO t_zd_menu (win_name, menu_name, ifini, gsxtxx_js) VALUES ('sal_main', N'销售管理', 'N', '0')
INSERT INTO t_zd_menu (win_name, menu_name, ifini, gsxtxx_js) VALUES ('eat_main', N'餐饮管理', 'N', '0')
INSERT INTO t_zd_menu (win_name, menu_name, ifini, gsxtxx_js) VALUES ('wat_main', N'洗浴管理', 'N', '0')
INSERT INTO t_zd_menu (win_name, menu_name, ifini, gsxtxx_js) VALUES ('peo_main', N'人事管理', 'N', '0')
INSERT INTO t_zd_menu (win_name, menu_name, ifini, gsxtxx_js) VALUES ('sto_main', N'库存管理', 'N', '0')
INSERT INTO t_zd_menu (win_name, menu_name, ifini, gsxtxx_js) VALUES ('car_main', N'会员卡管理', 'N', '0')
INSERT INTO t_zd_menu (win_name, menu_name, ifini, gsxtxx_js) VALUES ('sys_main', N'系统设置', 'N', '0')
INSERT INTO t_zd_menu (win_name, menu_name, ifini, gsxtxx_js) VALUES ('man_main', N'经理查询', 'N', '0')
INSERT INTO t_zd_menu (win_name, menu_name, ifini, gsxtxx_js) VALUES ('cwr_main', N'财务报表', 'N', '0')
INSERT INTO t_zd_menu (win_name, menu_name, ifini, gsxtxx_js) VALUES ('urs_main', N'用户权限', 'N', '0')
INSERT INTO t_zd_menu (win_name, menu_name, ifini, gsxtxx_js) VALUES ('bak_main', N'数据备份', 'N', '1')
INSERT INTO t_zd_menu (win_name, menu_name, ifini, gsxtxx_js) VALUES ('hlp_main', N'帮助', 'N', '1')
INSERT INTO t_zd_menu (win_name, menu_name, ifini, gsxtxx_js) VALUES ('pwd_main', N'修改密码', 'N', '1')
GO

INSERT INTO hotel_date (hotel_date) VALUES ('20080101')
GO

INSERT INTO lskjqj VALUES ('01', '0101', '0131', '1', '1')
INSERT INTO lskjqj VALUES ('02', '0201', '0228', '1', '1')
INSERT INTO lskjqj VALUES ('03', '0301', '0331', '1', '1')
INSERT INTO lskjqj VALUES ('04', '0401', '0430', '1', '1')
INSERT INTO lskjqj VALUES ('05', '0501', '0531', '1', '1')
INSERT INTO lskjqj VALUES ('06', '0601', '0630', '1', '1')
INSERT INTO lskjqj VALUES ('07', '0701', '0731', '1', '1')
INSERT INTO lskjqj VALUES ('08', '0801', '0831', '1', '1')
INSERT INTO lskjqj VALUES ('09', '0901', '0930', '1', '1')
INSERT INTO lskjqj VALUES ('10', '1001', '1031', '1', '1')
INSERT INTO lskjqj VALUES ('11', '1101', '1130', '1', '1')
INSERT INTO lskjqj VALUES ('12', '1201', '1231', '1', '1')
GO
